#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "web/internet.h"
#include "web/url_split.h"

// The transport on the Windows Internet functions. Their calls block, so
// each request's exchange runs on a worker thread of its own while the
// user-interface thread waits for it in MsgWaitForMultipleObjects and keeps
// pumping the window; the handlers still run only on the user-interface
// thread. Redirects are followed here, hop by hop, with the same rules as the
// libcurl transport: http only, at most 10 hops, a POST answered with 301,
// 302 or 303 goes on as a GET without a body, 307 and 308 keep both.
//
// A request that the user-interface thread gives up (the program is ending,
// or a deadline passed) is left to its worker, which closes the handles once
// its blocking call returns; no handle is ever closed under a running call.

namespace animal_ids::internet {
namespace {

constexpr int kMaxRedirects = 10;
// The longest wait between two looks at the window's messages.
constexpr DWORD kPollMs = 20;
// Body bytes asked of the Windows functions at a time.
constexpr DWORD kReadChunk = 64 * 1024;

// Every request goes to the server, and nothing of it is kept in the
// system's cache or cookie store: the program writes nothing but the list.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;

// A handle of the Windows Internet functions, closed when the last owner lets go.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  ~InternetHandle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};
using SharedHandle = std::shared_ptr<InternetHandle>;

class EventHandle {
 public:
  EventHandle() : handle_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
  ~EventHandle() {
    if (handle_) CloseHandle(handle_);
  }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;

  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = std::char_traits<char>::length(prefix);
  return s.size() >= n && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, s.data(),
                                         static_cast<int>(n), prefix, static_cast<int>(n)) == 2;
}

// The caller's header text without the lines that describe a body.
std::string WithoutBodyLines(const std::string& headers) {
  std::string out;
  size_t begin = 0;
  while (begin < headers.size()) {
    size_t end = headers.find('\n', begin);
    end = end == std::string::npos ? headers.size() : end + 1;
    std::string line = headers.substr(begin, end - begin);
    if (!StartsWithNoCase(line, "content-type:") && !StartsWithNoCase(line, "content-length:")) {
      out += line;
    }
    begin = end;
  }
  return out;
}

// Whether a header line follows the status line of a raw header block.
bool HasHeaderLines(const std::string& raw) {
  size_t end = raw.find('\n');
  return end != std::string::npos && end + 1 < raw.size() && raw[end + 1] != '\r' &&
         raw[end + 1] != '\n';
}

// A query whose answer may be longer than a first guess: asked again with the size it names.
bool QueryInfo(HINTERNET request, DWORD what, std::string& out) {
  std::string buffer(1024, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size());
    if (HttpQueryInfoA(request, what, buffer.data(), &size, nullptr)) {
      buffer.resize(size);
      out = std::move(buffer);
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.assign(static_cast<size_t>(size) + 1, '\0');
  }
  return false;
}

// The parts of an absolute http URL; false for any other scheme.
bool CrackHttpUrl(const std::string& url, std::string& host, int& port, std::string& path) {
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  char hostBuffer[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  std::string pathBuffer(url.size() + 1, '\0');
  std::string extraBuffer(url.size() + 1, '\0');
  parts.lpszHostName = hostBuffer;
  parts.dwHostNameLength = sizeof hostBuffer;
  parts.lpszUrlPath = pathBuffer.data();
  parts.dwUrlPathLength = static_cast<DWORD>(pathBuffer.size());
  parts.lpszExtraInfo = extraBuffer.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extraBuffer.size());
  if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP) return false;
  host.assign(hostBuffer, parts.dwHostNameLength);
  port = parts.nPort;
  path.assign(pathBuffer.data(), parts.dwUrlPathLength);
  path.append(extraBuffer.data(), parts.dwExtraInfoLength);
  if (path.empty()) path = "/";
  return !host.empty();
}

// The target of a Location value seen from base; empty when it cannot be
// made. Only the bytes a URL may not carry are encoded, as by libcurl.
std::string CombineUrl(const std::string& base, const std::string& location) {
  std::string relative = EncodeUnsafeUrlBytes(location);
  std::string buffer(base.size() + relative.size() + 64, '\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size());
    if (InternetCombineUrlA(base.c_str(), relative.c_str(), buffer.data(), &size, ICU_NO_ENCODE)) {
      buffer.resize(size);
      return buffer;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::string();
    buffer.assign(static_cast<size_t>(size) + 1, '\0');
  }
  return std::string();
}

}  // namespace

struct Session {
  SharedHandle handle;
};

struct Connection {
  SharedHandle session;
  SharedHandle handle;
  std::string host;
  int port;
};

namespace {

// What a request's worker and the user-interface thread share.
struct Exchange {
  enum class Phase { kSending, kBody, kEnded, kFailed };

  // Declared parents first, so that the last owner closes children first.
  SharedHandle session;
  SharedHandle connection;
  SharedHandle request;
  std::vector<std::pair<SharedHandle, SharedHandle>> hops;  // connection and request per redirect

  std::string verb;
  std::string url;  // of the first hop
  std::string headers;
  std::string body;
  DWORD timeouts[3] = {60000, 60000, 60000};  // connect, receive, send
  DWORD totalMs = 0;  // 0: no deadline of the exchange's own
  // When the total has passed; the exchange's caller reads the same clock.
  std::optional<std::chrono::steady_clock::time_point> deadline;

  EventHandle progress;
  std::mutex mutex;
  // Guarded by mutex from the start of the worker on.
  Phase phase = Phase::kSending;
  bool answered = false;  // a final response's headers arrived
  bool abandoned = false;
  std::string rawHeaders;
  std::string data;
  size_t readOffset = 0;
};

void SetRequestTimeouts(HINTERNET request, const DWORD (&timeouts)[3]) {
  DWORD connect = timeouts[0], receive = timeouts[1], send = timeouts[2];
  InternetSetOptionA(request, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
  InternetSetOptionA(request, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof send);
}

bool Abandoned(Exchange& exchange) {
  std::lock_guard<std::mutex> lock(exchange.mutex);
  return exchange.abandoned;
}

void Finish(Exchange& exchange, Exchange::Phase phase) {
  {
    std::lock_guard<std::mutex> lock(exchange.mutex);
    exchange.phase = phase;
  }
  SetEvent(exchange.progress.get());
}

// Sends each hop and waits for its answer; the request handle of the final
// answer, or null when none came.
HINTERNET SendAllHops(Exchange& exchange) {
  HINTERNET request = exchange.request->get();
  std::string verb = exchange.verb;
  std::string headers = exchange.headers;
  std::string body = exchange.body;
  std::string url = exchange.url;
  for (int hop = 0;; ++hop) {
    BOOL sent = HttpSendRequestA(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                                 body.empty() ? nullptr : body.data(),
                                 static_cast<DWORD>(body.size()));
    if (!sent || Abandoned(exchange)) return nullptr;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
      return nullptr;
    }
    bool redirect =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    std::string location;
    if (!redirect || hop >= kMaxRedirects ||
        !QueryInfo(request, HTTP_QUERY_LOCATION, location)) {
      return request;
    }
    std::string next = CombineUrl(url, location);
    std::string host, path;
    int port = 0;
    if (next.empty() || !CrackHttpUrl(next, host, port, path)) return request;
    if (verb != "GET" && status != 307 && status != 308) {
      // The body and the lines that describe it stay behind with the POST.
      verb = "GET";
      body.clear();
      headers = WithoutBodyLines(headers);
    }
    auto connection = std::make_shared<InternetHandle>(
        InternetConnectA(exchange.session->get(), host.c_str(), static_cast<INTERNET_PORT>(port),
                         "", "", INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection->get()) return nullptr;
    auto next_request = std::make_shared<InternetHandle>(HttpOpenRequestA(
        connection->get(), verb.c_str(), path.c_str(), "HTTP/1.1", nullptr, nullptr,
        kRequestFlags, 0));
    if (!next_request->get()) return nullptr;
    SetRequestTimeouts(next_request->get(), exchange.timeouts);
    request = next_request->get();
    exchange.hops.emplace_back(std::move(connection), std::move(next_request));
    url = next;
  }
}

// The worker: the whole exchange, the body read ahead of the user-interface thread.
DWORD WINAPI RunExchange(void* parameter) {
  std::unique_ptr<std::shared_ptr<Exchange>> owner(static_cast<std::shared_ptr<Exchange>*>(parameter));
  Exchange& exchange = **owner;
  HINTERNET request = SendAllHops(exchange);
  std::string raw;
  if (!request || !QueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw)) {
    Finish(exchange, Exchange::Phase::kFailed);
    return 0;
  }
  std::string chunk(kReadChunk, '\0');
  DWORD first = 0;
  // The Windows functions take a reply without a status line for "200 OK"
  // with the bytes as its body; with no bytes either, nothing answered.
  if (!HasHeaderLines(raw)) {
    if (!InternetReadFile(request, chunk.data(), kReadChunk, &first) || first == 0) {
      Finish(exchange, Exchange::Phase::kFailed);
      return 0;
    }
  }
  {
    std::lock_guard<std::mutex> lock(exchange.mutex);
    exchange.rawHeaders = std::move(raw);
    exchange.answered = true;
    exchange.phase = Exchange::Phase::kBody;
    exchange.data.append(chunk.data(), first);
  }
  SetEvent(exchange.progress.get());

  long long total = first;
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, chunk.data(), kReadChunk, &got)) {
      Finish(exchange, Exchange::Phase::kFailed);
      return 0;
    }
    if (got == 0) {
      Finish(exchange, Exchange::Phase::kEnded);
      return 0;
    }
    total += got;
    {
      std::lock_guard<std::mutex> lock(exchange.mutex);
      if (exchange.abandoned) return 0;
      exchange.data.append(chunk.data(), got);
    }
    SetEvent(exchange.progress.get());
    // A body over the bound is not read to its end.
    if (total > kMaxBodyBytes) {
      Finish(exchange, Exchange::Phase::kFailed);
      return 0;
    }
  }
}

// Whether the program is ending: its quit message waits in the queue.
bool QuitPending() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

struct Request {
  std::shared_ptr<Exchange> exchange;
  bool started = false;
  bool givenUp = false;  // the program is ending or the deadline passed
};

void SessionCloser::operator()(Session* session) const { delete session; }
void ConnectionCloser::operator()(Connection* connection) const { delete connection; }

void RequestCloser::operator()(Request* request) const {
  if (request->exchange) {
    std::lock_guard<std::mutex> lock(request->exchange->mutex);
    request->exchange->abandoned = true;
  }
  delete request;
}

namespace {

// Waits, pumping the window, until ready() holds under the exchange's lock
// or the worker has ended; false when the wait was given up: the program is
// ending, or the exchange's deadline has passed.
template <typename Ready>
bool WaitFor(Request& request, Ready ready) {
  Exchange& exchange = *request.exchange;
  if (request.givenUp) return false;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(exchange.mutex);
      if (ready() || exchange.phase == Exchange::Phase::kEnded ||
          exchange.phase == Exchange::Phase::kFailed) {
        return true;
      }
    }
    if (QuitPending() ||
        (exchange.deadline && std::chrono::steady_clock::now() >= *exchange.deadline)) {
      std::lock_guard<std::mutex> lock(exchange.mutex);
      exchange.abandoned = true;
      request.givenUp = true;
      return false;
    }
    HANDLE progress = exchange.progress.get();
    MsgWaitForMultipleObjects(1, &progress, FALSE, kPollMs, QS_ALLINPUT);
    ProcessPendingEvents();
  }
}

}  // namespace

SessionHandle OpenSession(const Text& userAgent, const Text& proxyList) {
  HINTERNET handle =
      proxyList.empty()
          ? InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, "", "", 0)
          : InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyList.c_str(), "", 0);
  if (!handle) return nullptr;
  return SessionHandle(new Session{std::make_shared<InternetHandle>(handle)});
}

ConnectionHandle Connect(Session& session, const Text& host, int port) {
  // Connecting to an HTTP server touches no network yet: the send does.
  HINTERNET handle =
      InternetConnectA(session.handle->get(), host.c_str(), static_cast<INTERNET_PORT>(port), "",
                       "", INTERNET_SERVICE_HTTP, 0, 0);
  if (!handle) return nullptr;
  return ConnectionHandle(new Connection{session.handle, std::make_shared<InternetHandle>(handle),
                                         host.str(), port == 0 ? 80 : port});
}

RequestHandle OpenRequest(Connection& connection, const Text& verb, const Text& path) {
  HINTERNET handle = HttpOpenRequestA(connection.handle->get(), verb.c_str(), path.c_str(),
                                      "HTTP/1.1", nullptr, nullptr, kRequestFlags, 0);
  if (!handle) return nullptr;
  auto exchange = std::make_shared<Exchange>();
  exchange->session = connection.session;
  exchange->connection = connection.handle;
  exchange->request = std::make_shared<InternetHandle>(handle);
  exchange->verb = verb.str();
  exchange->url = "http://" + connection.host + ":" + std::to_string(connection.port) + path.str();
  return RequestHandle(new Request{std::move(exchange)});
}

void SetTimeouts(Request& request, int connectMs, int receiveMs, int sendMs, int totalMs) {
  Exchange& exchange = *request.exchange;
  exchange.totalMs = totalMs > 0 ? static_cast<DWORD>(totalMs) : 0;
  exchange.timeouts[0] = static_cast<DWORD>(connectMs);
  exchange.timeouts[1] = static_cast<DWORD>(receiveMs);
  exchange.timeouts[2] = static_cast<DWORD>(sendMs);
  SetRequestTimeouts(exchange.request->get(), exchange.timeouts);
}

bool SendRequest(Request& request, const Text& headers, const Bytes& body) {
  Exchange& exchange = *request.exchange;
  if (request.started || !exchange.progress.get()) return false;
  exchange.headers = headers.str();
  exchange.body = body.str();
  if (exchange.totalMs) {
    exchange.deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(exchange.totalMs);
  }
  auto* owner = new std::shared_ptr<Exchange>(request.exchange);
  HANDLE thread = CreateThread(nullptr, 0, RunExchange, owner, 0, nullptr);
  if (!thread) {
    delete owner;
    return false;
  }
  CloseHandle(thread);
  request.started = true;
  if (!WaitFor(request, [&] { return exchange.answered; })) return false;
  std::lock_guard<std::mutex> lock(exchange.mutex);
  return exchange.answered;
}

ReadResult ReadBody(Request& request, char* buffer, int capacity, int& delivered) {
  delivered = 0;
  Exchange& exchange = *request.exchange;
  if (!request.started) return ReadResult::kFailed;
  if (!WaitFor(request, [&] { return exchange.data.size() > exchange.readOffset; })) {
    return ReadResult::kFailed;
  }
  std::lock_guard<std::mutex> lock(exchange.mutex);
  size_t available = exchange.data.size() - exchange.readOffset;
  if (available > 0) {
    size_t n = std::min(static_cast<size_t>(capacity), available);
    std::copy_n(exchange.data.data() + exchange.readOffset, n, buffer);
    exchange.readOffset += n;
    // Drop what was read once it is the larger part of the buffer.
    if (exchange.readOffset > 65536 && exchange.readOffset * 2 > exchange.data.size()) {
      exchange.data.erase(0, exchange.readOffset);
      exchange.readOffset = 0;
    }
    delivered = static_cast<int>(n);
    return ReadResult::kData;
  }
  return exchange.phase == Exchange::Phase::kEnded ? ReadResult::kEnd : ReadResult::kFailed;
}

const char* TransportName() { return "WinINet"; }

Text RawHeaders(Request& request) {
  Exchange& exchange = *request.exchange;
  std::lock_guard<std::mutex> lock(exchange.mutex);
  return Text(exchange.rawHeaders);
}

}  // namespace animal_ids::internet
