#include "web/http_request.h"

#include <algorithm>
#include <cstdlib>

#include "app/main_window.h"
#include "text/text_ops.h"
#include "web/internet.h"
#include "web/url_split.h"

namespace animal_ids {
namespace {

constexpr int kTimeoutMs = 18000;
constexpr int kReadSize = 512;

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

bool HasNoBody(int status) {
  return (status >= 100 && status < 200) || status == 204 || status == 304;
}

}  // namespace

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
  internet::SetTimeouts(*request, kTimeoutMs, kTimeoutMs, kTimeoutMs);

  Text allHeaders = CompleteHeaders(headers, url);
  Bytes body;
  if (verb != Text("GET") && !postData.empty()) {
    allHeaders += ConcatText("Content-Type: application/x-www-form-urlencoded", kCrLf,
                             "Content-Length: ", NumberToText(TextLength(postData)), kCrLf);
    body = TextToBytes(postData);
  }
  if (!internet::SendRequest(*request, allHeaders, body)) return reply;

  Text raw = internet::RawHeaders(*request);
  reply.status = StatusOf(raw);
  if (reply.status == 0) return reply;
  if (responseHeaders) *responseHeaders = raw;

  long long declared = HasNoBody(reply.status) ? -1 : DeclaredLength(raw);
  // A declared length saves growing the body piece by piece, within the bound.
  if (declared > 0) {
    reply.body.Reserve(static_cast<size_t>(std::min(declared, internet::kMaxBodyBytes)));
  }
  bool cut = false;
  char buffer[kReadSize];
  for (;;) {
    ProcessPendingEvents();
    int n = 0;
    internet::ReadResult result = internet::ReadBody(*request, buffer, kReadSize, n);
    if (result == internet::ReadResult::kFailed) {
      cut = true;
      break;
    }
    if (result == internet::ReadResult::kEnd) break;
    reply.body.Append(std::string_view(buffer, static_cast<size_t>(n)));
    if (reply.body.size() > internet::kMaxBodyBytes) {
      cut = true;
      break;
    }
  }
  if (declared >= 0 && declared != reply.body.size()) cut = true;
  reply.outcome = cut ? HttpReply::Outcome::kIncomplete : HttpReply::Outcome::kComplete;
  return reply;
}

}  // namespace animal_ids
