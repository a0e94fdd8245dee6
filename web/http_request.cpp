#include "web/http_request.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "app/main_window.h"
#include "text/text_ops.h"
#include "web/internet.h"
#include "web/url_split.h"

namespace animal_ids {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTimeoutMs = 18000;
constexpr int kReadSize = 512;
// The window handles what waits for it before a read, but not more often
// than this: asking the queue costs more than a read from memory, far more
// under Wine, and a body that arrives at once would spend its time asking.
constexpr std::chrono::milliseconds kPumpInterval{10};

int deadlineMs = kHttpDeadlineMs;

const Text kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const Text kCrLf = "\r\n";

// Adds the default Accept, Referer and Accept-Language lines the caller's
// header text does not already hold, in any letter case.
Text CompleteHeaders(Text headers, const Text& url) {
  if (FindText(headers, "Accept: ", 1, true) == -1) {
    headers += ConcatText(
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
        "application/x-shockwave-flash, application/vnd.ms-excel, "
        "application/vnd.ms-powerpoint, application/msword, */*",
        kCrLf);
  }
  if (FindText(headers, "Referer: ", 1, true) == -1) {
    headers += ConcatText("Referer: ", url, kCrLf);
  }
  if (FindText(headers, "Accept-Language: ", 1, true) == -1) {
    headers += ConcatText("Accept-Language: zh-cn", kCrLf);
  }
  return headers;
}

// The status code of a header block that starts with an HTTP/1.x status line, else 0.
int StatusOf(const Text& rawHeaders) {
  const std::string& h = rawHeaders.str();
  if (h.size() < 12 || h.compare(0, 7, "HTTP/1.") != 0 || h[8] != ' ') return 0;
  int code = 0;
  for (int i = 9; i < 12; ++i) {
    if (h[i] < '0' || h[i] > '9') return 0;
    code = code * 10 + (h[i] - '0');
  }
  return code;
}

// The declared body length, or -1 when the block declares none or the body
// is chunked (whose framing the transport checks).
long long DeclaredLength(const Text& rawHeaders) {
  Text lower = ToLower(rawHeaders);
  if (FindText(lower, "\ntransfer-encoding:", 1, false) > 0) return -1;
  int p = FindText(lower, "\ncontent-length:", 1, false);
  if (p <= 0) return -1;
  const char* value = lower.c_str() + p - 1 + 16;
  while (*value == ' ' || *value == '\t') ++value;
  if (*value < '0' || *value > '9') return -1;
  return std::strtoll(value, nullptr, 10);
}

// Whether a header line follows the status line. The Windows functions make
// "HTTP/1.0 200 OK" and nothing else of a reply that had no status line.
bool HasHeaderLines(const Text& rawHeaders) {
  const std::string& h = rawHeaders.str();
  size_t end = h.find('\n');
  return end != std::string::npos && end + 1 < h.size() && h[end + 1] != '\r' && h[end + 1] != '\n';
}

// Whether the body is compressed or otherwise encoded ("identity" is no encoding).
bool IsEncoded(const Text& rawHeaders) {
  Text lower = ToLower(rawHeaders);
  int p = FindText(lower, "\ncontent-encoding:", 1, false);
  if (p <= 0) return false;
  std::string_view value = lower.view().substr(static_cast<size_t>(p - 1 + 18));
  value = value.substr(0, value.find_first_of("\r\n"));
  size_t first = value.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  value = value.substr(first, value.find_last_not_of(" \t") + 1 - first);
  return value != "identity";
}

bool HasNoBody(int status) {
  return (status >= 100 && status < 200) || status == 204 || status == 304;
}

}  // namespace

int SetHttpDeadline(int ms) { return std::exchange(deadlineMs, ms); }

HttpReply HttpRequest(const Text& url, const Text& method, const Text& proxy, const Text& headers,
                      const Text& postData, Text* responseHeaders) {
  HttpReply reply;
  // Declared in this order so that they close children first.
  internet::SessionHandle session =
      internet::OpenSession(kUserAgent, proxy.empty() ? Text() : ConcatText("http=", proxy));
  if (!session) return reply;
  internet::ConnectionHandle connection = internet::Connect(*session, UrlHost(url), UrlPort(url));
  if (!connection) return reply;
  Text verb = ToUpper(method) != Text("POST") ? Text("GET") : method;
  internet::RequestHandle request = internet::OpenRequest(*connection, verb, UrlPath(url));
  if (!request) return reply;
  internet::SetTimeouts(*request, kTimeoutMs, kTimeoutMs, kTimeoutMs, deadlineMs);

  Text allHeaders = CompleteHeaders(headers, url);
  Bytes body;
  if (verb != Text("GET") && !postData.empty()) {
    allHeaders += ConcatText("Content-Type: application/x-www-form-urlencoded", kCrLf,
                             "Content-Length: ", NumberToText(TextLength(postData)), kCrLf);
    body = TextToBytes(postData);
  }
  const Clock::time_point started = Clock::now();
  auto pastDeadline = [&] {
    return Clock::now() - started >= std::chrono::milliseconds(deadlineMs);
  };
  if (!internet::SendRequest(*request, allHeaders, body)) {
    if (pastDeadline()) reply.outcome = HttpReply::Outcome::kTimedOut;
    return reply;
  }

  Text raw = internet::RawHeaders(*request);
  reply.status = StatusOf(raw);
  if (reply.status == 0 || !HasHeaderLines(raw)) {
    reply.status = 0;
    reply.outcome = HttpReply::Outcome::kNotHttp;
    return reply;
  }
  if (responseHeaders) *responseHeaders = raw;
  reply.encoded = IsEncoded(raw);

  long long declared = HasNoBody(reply.status) ? -1 : DeclaredLength(raw);
  if (declared > internet::kMaxBodyBytes) {
    reply.outcome = HttpReply::Outcome::kTooLarge;
    return reply;
  }
  // A declared length saves growing the body piece by piece.
  if (declared > 0) reply.body.Reserve(static_cast<size_t>(declared));
  HttpReply::Outcome outcome = HttpReply::Outcome::kComplete;
  char buffer[kReadSize];
  Clock::time_point lastPump{};
  for (;;) {
    if (const Clock::time_point now = Clock::now(); now - lastPump >= kPumpInterval) {
      ProcessPendingEvents();
      lastPump = Clock::now();
    }
    int n = 0;
    internet::ReadResult result = internet::ReadBody(*request, buffer, kReadSize, n);
    if (result == internet::ReadResult::kFailed) {
      outcome = pastDeadline() ? HttpReply::Outcome::kTimedOut : HttpReply::Outcome::kIncomplete;
      break;
    }
    if (result == internet::ReadResult::kEnd) break;
    reply.body.Append(std::string_view(buffer, static_cast<size_t>(n)));
    if (reply.body.size() > internet::kMaxBodyBytes) {
      outcome = HttpReply::Outcome::kTooLarge;
      break;
    }
  }
  if (outcome == HttpReply::Outcome::kComplete && declared >= 0 && declared != reply.body.size()) {
    outcome = HttpReply::Outcome::kIncomplete;
  }
  reply.outcome = outcome;
  return reply;
}

}  // namespace animal_ids
