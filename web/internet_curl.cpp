#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "web/internet.h"
#include "web/url_split.h"

// The transport on libcurl's multi interface. Redirects are followed here,
// hop by hop, so that the verb and body rules of the Windows Internet
// functions hold exactly: http only, at most 10 hops, a POST answered with
// 301, 302 or 303 goes on as a GET without a body, 307 and 308 keep both.

namespace animal_ids::internet {

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMaxRedirects = 10;
// The longest wait between two looks at the window's messages.
constexpr int kPollMs = 20;

// curl is initialised once per process, before the first handle; plain http
// needs none of the TLS set-up the default brings.
void InitialiseCurl() {
  static const bool done = [] { return curl_global_init(CURL_GLOBAL_NOTHING) == CURLE_OK; }();
  (void)done;
}

struct SlistFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlFree {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlStringFree {
  void operator()(char* s) const { curl_free(s); }
};
using Slist = std::unique_ptr<curl_slist, SlistFree>;
using CurlUrl = std::unique_ptr<CURLU, UrlFree>;
using CurlString = std::unique_ptr<char, CurlStringFree>;

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = std::char_traits<char>::length(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  }
  return true;
}

// Whether a curl header line ("Name: value" or "Name;") is of the named header.
bool HeaderNameIs(const std::string& line, const char* lowerName) {
  size_t n = std::char_traits<char>::length(lowerName);
  return line.size() > n && StartsWithNoCase(line, lowerName) && (line[n] == ':' || line[n] == ';');
}

// The caller's header text as curl header lines.
std::vector<std::string> SplitHeaderLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // To curl "Name:" means "send no Name line"; "Name;" sends it with an empty value.
    size_t colon = line.find(':');
    if (colon != std::string::npos &&
        line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
      line = line.substr(0, colon) + ";";
    }
    if (!line.empty()) lines.push_back(line);
    begin = end + 1;
  }
  return lines;
}

}  // namespace

struct Session {
  std::string userAgent;
  std::string proxy;  // curl's form, "http://host:port", or empty
};

struct Connection {
  Session* session;
  std::string host;
  int port;
};

// One hop's transfer: an easy handle on a multi handle of its own, so that a
// nested exchange never disturbs the one it interrupted.
class Transfer {
 public:
  Transfer() : multi_(curl_multi_init()), easy_(curl_easy_init()) {}
  ~Transfer() {
    if (added_) curl_multi_remove_handle(multi_, easy_);
    curl_easy_cleanup(easy_);
    curl_multi_cleanup(multi_);
  }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  CURL* easy() const { return easy_; }
  bool ok() const { return multi_ && easy_; }

  void Start() {
    curl_multi_add_handle(multi_, easy_);
    added_ = true;
  }

  // Lets curl work for a moment; true once the transfer has ended.
  bool Step(int waitMs) {
    int running = 0;
    curl_multi_perform(multi_, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        done_ = true;
        result_ = message->data.result;
      }
    }
    if (!done_ && waitMs > 0) curl_multi_poll(multi_, nullptr, 0, waitMs, nullptr);
    return done_;
  }

  bool done() const { return done_; }
  CURLcode result() const { return result_; }

 private:
  CURLM* multi_;
  CURL* easy_;
  bool added_ = false;
  bool done_ = false;
  CURLcode result_ = CURLE_OK;
};

struct Request {
  Connection* connection;
  std::string verb;
  std::string path;
  int connectMs = 60000;
  int receiveMs = 60000;
  int sendMs = 60000;
  int totalMs = 600000;
  Clock::time_point deadline;

  // The transfer refers to the header list and goes first.
  Slist headerList;
  std::string body;
  std::unique_ptr<Transfer> transfer;

  // What the current hop has received.
  std::string rawHeaders;
  int status = 0;
  bool headersDone = false;
  std::string buffer;
  size_t readOffset = 0;
  long long delivered = 0;
  bool tooLarge = false;
  bool timedOut = false;
  Clock::time_point lastActivity;
  curl_off_t uploaded = 0;
  bool connected = false;
};

void SessionCloser::operator()(Session* session) const { delete session; }
void ConnectionCloser::operator()(Connection* connection) const { delete connection; }
void RequestCloser::operator()(Request* request) const { delete request; }

namespace {

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  size_t n = size * count;
  std::string line(data, n);
  request->lastActivity = Clock::now();
  // Every response (1xx included) starts with its status line: keep only the last.
  if (line.compare(0, 5, "HTTP/") == 0) {
    request->rawHeaders.clear();
    request->status = 0;
    if (line.size() >= 12) request->status = std::atoi(line.c_str() + 9);
  }
  request->rawHeaders += line;
  if ((line == "\r\n" || line == "\n") && request->status >= 200) request->headersDone = true;
  return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  size_t n = size * count;
  request->lastActivity = Clock::now();
  request->headersDone = true;
  // The bound holds for chunked bodies too, which curl's own size limit does
  // not stop; the one byte beyond it tells the exchange the body is too long.
  const long long room = kMaxBodyBytes + 1 - request->delivered;
  if (static_cast<long long>(n) > room) {
    request->buffer.append(data, static_cast<size_t>(room));
    request->delivered += room;
    request->tooLarge = true;
    return 0;
  }
  request->delivered += static_cast<long long>(n);
  request->buffer.append(data, n);
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
  auto* request = static_cast<Request*>(user);
  if (ulnow != request->uploaded) {
    request->uploaded = ulnow;
    request->lastActivity = Clock::now();
  }
  return 0;
}

// Sets up one hop of the request on a fresh transfer.
bool Configure(Request& request, const std::string& url, const std::string& verb,
               const std::vector<std::string>& lines) {
  request.transfer = std::make_unique<Transfer>();
  if (!request.transfer->ok()) return false;
  CURL* easy = request.transfer->easy();
  Session& session = *request.connection->session;

  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, session.userAgent.c_str());
  // An empty proxy also keeps curl from taking one from the environment.
  curl_easy_setopt(easy, CURLOPT_PROXY, session.proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectMs));
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &request);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  // A reply without status line comes through as a body, as with the Windows
  // functions; the exchange then sees that no header block came with it.
  curl_easy_setopt(easy, CURLOPT_HTTP09_ALLOWED, 1L);

  bool hasContentType = false;
  bool hasExpect = false;
  curl_slist* list = nullptr;
  for (const std::string& line : lines) {
    hasContentType = hasContentType || HeaderNameIs(line, "content-type");
    hasExpect = hasExpect || HeaderNameIs(line, "expect");
    list = curl_slist_append(list, line.c_str());
  }
  // curl would wait for a 100 Continue before a large body; the Windows functions do not.
  if (!hasExpect) list = curl_slist_append(list, "Expect:");

  if (verb == "GET") {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    const std::string& body = request.body;
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, body.c_str());
    // An empty POST gets no form Content-Type, only "Content-Length: 0".
    if (body.empty() && !hasContentType) list = curl_slist_append(list, "Content-Type:");
    if (verb != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }
  request.headerList.reset(list);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);

  request.rawHeaders.clear();
  request.status = 0;
  request.headersDone = false;
  request.buffer.clear();
  request.readOffset = 0;
  request.delivered = 0;
  request.tooLarge = false;
  request.timedOut = false;
  request.uploaded = 0;
  request.connected = false;
  request.lastActivity = Clock::now();
  request.transfer->Start();
  return true;
}

bool PastDeadline(Request& request) {
  if (Clock::now() < request.deadline) return false;
  request.timedOut = true;
  return true;
}

// Runs the transfer, pumping the window's messages, until ready() holds or
// the transfer has ended. A silence longer than the time-out ends it, and so
// does the request's deadline.
template <typename Ready>
void Pump(Request& request, Ready ready) {
  Transfer& transfer = *request.transfer;
  while (!ready() && !transfer.done()) {
    if (transfer.Step(kPollMs) || ready()) break;
    if (PastDeadline(request)) return;
    if (!request.connected) {
      curl_off_t connectTime = 0;
      curl_easy_getinfo(transfer.easy(), CURLINFO_CONNECT_TIME_T, &connectTime);
      if (connectTime > 0) {
        request.connected = true;
        request.lastActivity = Clock::now();
      }
    }
    if (request.connected) {
      bool sending =
          !request.headersDone && request.uploaded < static_cast<curl_off_t>(request.body.size());
      int limitMs = sending ? request.sendMs : request.receiveMs;
      if (Clock::now() - request.lastActivity > std::chrono::milliseconds(limitMs)) {
        request.timedOut = true;
        return;
      }
    }
    ProcessPendingEvents();
  }
}

// Where a redirect points, resolved against the current URL; empty when the
// answer is not a redirect this transport follows.
std::string RedirectTarget(const Request& request, const std::string& currentUrl) {
  int s = request.status;
  if (s != 301 && s != 302 && s != 303 && s != 307 && s != 308) return std::string();
  std::string location;
  size_t begin = 0;
  while (begin < request.rawHeaders.size()) {
    size_t end = request.rawHeaders.find('\n', begin);
    if (end == std::string::npos) end = request.rawHeaders.size();
    std::string line = request.rawHeaders.substr(begin, end - begin);
    if (StartsWithNoCase(line, "location:")) {
      location = line.substr(9);
      while (!location.empty() && (location.front() == ' ' || location.front() == '\t')) {
        location.erase(0, 1);
      }
      while (!location.empty() && (location.back() == '\r' || location.back() == ' ')) {
        location.pop_back();
      }
    }
    begin = end + 1;
  }
  if (location.empty()) return std::string();
  CurlUrl url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, currentUrl.c_str(), 0) != CURLUE_OK) {
    return std::string();
  }
  std::string encoded = EncodeUnsafeUrlBytes(location);
  if (curl_url_set(url.get(), CURLUPART_URL, encoded.c_str(), 0) != CURLUE_OK) {
    return std::string();
  }
  char* scheme = nullptr;
  if (curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return std::string();
  CurlString schemeOwner(scheme);
  if (std::string(scheme) != "http") return std::string();
  char* full = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &full, 0) != CURLUE_OK) return std::string();
  CurlString fullOwner(full);
  return std::string(full);
}

}  // namespace

SessionHandle OpenSession(const Text& userAgent, const Text& proxyList) {
  InitialiseCurl();
  auto session = SessionHandle(new Session{userAgent.str(), std::string()});
  // The Windows list form: entries "scheme=host:port" or "host:port", apart by spaces or ";".
  std::string list = proxyList.str();
  size_t begin = 0;
  while (begin < list.size()) {
    size_t end = list.find_first_of(" ;", begin);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(begin, end - begin);
    size_t equals = entry.find('=');
    std::string address;
    if (equals == std::string::npos && session->proxy.empty()) {
      address = entry;
    } else if (equals != std::string::npos && entry.compare(0, equals, "http") == 0) {
      address = entry.substr(equals + 1);
    }
    if (!address.empty()) {
      session->proxy = address.find("://") == std::string::npos ? "http://" + address : address;
    }
    begin = end + 1;
  }
  return session;
}

ConnectionHandle Connect(Session& session, const Text& host, int port) {
  // Port 0 stands for the service's own port, as for the Windows functions.
  return ConnectionHandle(new Connection{&session, host.str(), port == 0 ? 80 : port});
}

RequestHandle OpenRequest(Connection& connection, const Text& verb, const Text& path) {
  auto request = RequestHandle(new Request);
  request->connection = &connection;
  request->verb = verb.str();
  request->path = path.str();
  return request;
}

void SetTimeouts(Request& request, int connectMs, int receiveMs, int sendMs, int totalMs) {
  request.connectMs = connectMs;
  request.receiveMs = receiveMs;
  request.sendMs = sendMs;
  request.totalMs = totalMs;
}

bool SendRequest(Request& request, const Text& headers, const Bytes& body) {
  const Connection& connection = *request.connection;
  std::string url = "http://" + connection.host + ":" + std::to_string(connection.port) +
                    EncodeUnsafeUrlBytes(request.path);
  std::vector<std::string> lines = SplitHeaderLines(headers.str());
  request.body = body.str();
  std::string verb = request.verb;
  request.deadline = Clock::now() + std::chrono::milliseconds(request.totalMs);
  for (int hop = 0;; ++hop) {
    if (!Configure(request, url, verb, lines)) return false;
    Pump(request, [&] { return request.headersDone; });
    if (request.timedOut || !request.headersDone) return false;
    // Bytes without a status line: the answer, with no header block.
    if (request.status == 0) return true;
    std::string next = hop < kMaxRedirects ? RedirectTarget(request, url) : std::string();
    if (next.empty()) return true;
    int s = request.status;
    if (verb != "GET" && s != 307 && s != 308) {
      // The body and the lines that describe it stay behind with the POST.
      verb = "GET";
      request.body.clear();
      std::erase_if(lines, [](const std::string& line) {
        return HeaderNameIs(line, "content-type") || HeaderNameIs(line, "content-length");
      });
    }
    url = next;
  }
}

ReadResult ReadBody(Request& request, char* buffer, int capacity, int& delivered) {
  delivered = 0;
  if (!request.transfer || PastDeadline(request)) return ReadResult::kFailed;
  auto available = [&] { return request.buffer.size() > request.readOffset; };
  if (!available() && !request.timedOut) Pump(request, available);
  if (available()) {
    size_t n = std::min(static_cast<size_t>(capacity), request.buffer.size() - request.readOffset);
    std::copy_n(request.buffer.data() + request.readOffset, n, buffer);
    request.readOffset += n;
    // Drop what was read once it is the larger part of the buffer.
    if (request.readOffset > 65536 && request.readOffset * 2 > request.buffer.size()) {
      request.buffer.erase(0, request.readOffset);
      request.readOffset = 0;
    }
    delivered = static_cast<int>(n);
    return ReadResult::kData;
  }
  if (request.timedOut || request.tooLarge || !request.transfer->done()) return ReadResult::kFailed;
  return request.transfer->result() == CURLE_OK ? ReadResult::kEnd : ReadResult::kFailed;
}

const char* TransportName() { return "libcurl"; }

Text RawHeaders(Request& request) { return Text(request.rawHeaders); }

}  // namespace animal_ids::internet
