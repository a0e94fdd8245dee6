#include "web/http_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "tests/event_pump.h"
#include "tests/test_server.h"
#include "web/internet.h"

namespace animal_ids {
namespace {

using testing::PrintTo;

using Outcome = HttpReply::Outcome;
using testing::TestServer;

const char kAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const char kDefaultAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string SampleCatalogue() {
  return ReadFile(std::string(ANIMAL_IDS_SOURCE_DIR) + "/samples/animal_v_115.xml");
}

// The header lines of an echoed request, without the request line.
std::vector<std::string> HeaderLines(const std::string& request) {
  std::vector<std::string> lines;
  size_t begin = request.find("\r\n") + 2;
  for (;;) {
    size_t end = request.find("\r\n", begin);
    if (end == std::string::npos || end == begin) break;
    lines.push_back(request.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

std::string RequestLine(const std::string& request) {
  return request.substr(0, request.find("\r\n"));
}

std::string BodyOf(const std::string& request) {
  size_t end = request.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : request.substr(end + 4);
}

int IndexOf(const std::vector<std::string>& lines, const std::string& prefix) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  }
  return -1;
}

bool HasNoCase(const std::vector<std::string>& lines, std::string prefix) {
  for (const std::string& line : lines) {
    std::string lower = line.substr(0, prefix.size());
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == prefix) return true;
  }
  return false;
}

class HttpExchange : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<TestServer>(); }
  static void TearDownTestSuite() { server_.reset(); }
  void SetUp() override { testing::ResetPump(); }

  static std::string Url(const std::string& path) { return server_->Url(path); }

  static std::unique_ptr<TestServer> server_;
};

std::unique_ptr<TestServer> HttpExchange::server_;

struct RequestCase {
  const char* what;
  const char* method;
  const char* headers;
  const char* postData;
  const char* verb;   // the request line's verb
  const char* added;  // the lines the exchange adds beyond the defaults, each ending in CR LF
  const char* body;
};

const RequestCase kRequestCases[] = {
    {"an omitted method is GET", nullptr, "", "", "GET", "", ""},
    {"any verb but POST becomes GET", "PUT", "", "x=1", "GET", "", ""},
    {"GET sends no body", "get", "", "x=1", "GET", "", ""},
    {"an empty POST", "POST", "", "", "POST", "Content-Length: 0\r\n", ""},
    {"post keeps its letter case", "post", "", "", "post", "Content-Length: 0\r\n", ""},
    {"a POST with form data", "POST", "", "a=1&b=2", "POST",
     "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n", "a=1&b=2"},
    {"a mixed-case POST with form data and a line of the caller's", "Post", "X-Extra: 1\r\n",
     "q=%E7", "Post", "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 5\r\n",
     "q=%E7"},
    {"a caller's line with an empty value goes out as it is", "POST", "X-Empty:\r\n", "", "POST",
     "Content-Length: 0\r\n", ""},
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find("\r\n", begin);
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

class RequestBytes : public HttpExchange, public ::testing::WithParamInterface<RequestCase> {};

// The header lines are exactly the host, the user agent, the three defaults
// in their order, the caller's lines and the body's: nothing else goes out.
TEST_P(RequestBytes, CarryTheVerbHeadersAndBody) {
  const RequestCase& c = GetParam();
  const std::string url = Url("/echo");
  HttpReply reply = HttpRequest(Text(url), c.method ? Text(c.method) : Text(), Text(),
                                Text(c.headers), Text(c.postData));
  ASSERT_EQ(reply.outcome, Outcome::kComplete) << c.what;
  ASSERT_EQ(reply.status, 200);
  const std::string& echoed = reply.body.str();
  EXPECT_EQ(RequestLine(echoed), std::string(c.verb) + " /echo HTTP/1.1") << c.what;

  std::vector<std::string> lines = HeaderLines(echoed);
  int accept = IndexOf(lines, kDefaultAccept);
  int referer = IndexOf(lines, "Referer: " + url);
  int language = IndexOf(lines, "Accept-Language: zh-cn");
  EXPECT_LT(accept, referer) << c.what;
  EXPECT_LT(referer, language) << c.what;

  std::vector<std::string> expected{
      "Host: 127.0.0.1:" + std::to_string(server_->port()),
      std::string("User-Agent: ") + kAgent,
      kDefaultAccept,
      "Referer: " + url,
      "Accept-Language: zh-cn",
  };
  for (const std::string& line : Lines(c.headers)) expected.push_back(line);
  for (const std::string& line : Lines(c.added)) expected.push_back(line);
  // An empty value goes out as "Name:" or "Name: ", as the transport writes it.
  for (auto* list : {&expected, &lines}) {
    for (std::string& line : *list) {
      while (!line.empty() && line.back() == ' ') line.pop_back();
    }
    std::sort(list->begin(), list->end());
  }
  EXPECT_EQ(lines, expected) << c.what;
  EXPECT_EQ(BodyOf(echoed), c.body) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, RequestBytes, ::testing::ValuesIn(kRequestCases));

struct SuppressionCase {
  const char* headers;
  bool defaultAccept, defaultReferer, defaultLanguage;
};

const SuppressionCase kSuppressionCases[] = {
    {"accept: text/xml\r\n", false, true, true},
    {"ACCEPT: text/xml\r\n", false, true, true},
    {"X-A: 1\r\nreferer: http://elsewhere.example/\r\n", true, false, true},
    {"Accept-Language: en\r\n", true, true, false},
    // "Accept-Language: " holds no "Accept: ", so the default Accept line stays.
    {"Accept-Language: en\r\nAccept: */*\r\n", false, true, false},
};

class HeaderSuppression : public HttpExchange,
                          public ::testing::WithParamInterface<SuppressionCase> {};

TEST_P(HeaderSuppression, CallerLinesReplaceOnlyTheirOwnDefaults) {
  const SuppressionCase& c = GetParam();
  const std::string url = Url("/echo");
  HttpReply reply = HttpRequest(Text(url), "POST", Text(), Text(c.headers));
  ASSERT_EQ(reply.outcome, Outcome::kComplete);
  std::vector<std::string> lines = HeaderLines(reply.body.str());
  EXPECT_EQ(IndexOf(lines, kDefaultAccept) != -1, c.defaultAccept) << c.headers;
  EXPECT_EQ(IndexOf(lines, "Referer: " + url) != -1, c.defaultReferer) << c.headers;
  EXPECT_EQ(IndexOf(lines, "Accept-Language: zh-cn") != -1, c.defaultLanguage) << c.headers;
  // The caller's own lines go out as they are.
  std::string text = c.headers;
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find("\r\n", begin);
    EXPECT_NE(IndexOf(lines, text.substr(begin, end - begin)), -1);
    begin = end + 2;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, HeaderSuppression, ::testing::ValuesIn(kSuppressionCases));

struct ProxyCase {
  const char* what;
  const char* url;
  bool proxyWithScheme;
  const char* requestLine;
  const char* host;
};

const ProxyCase kProxyCases[] = {
    {"a port and a query", "http://catalogue.invalid:8123/echo?x=1", false,
     "POST http://catalogue.invalid:8123/echo?x=1 HTTP/1.1", "Host: catalogue.invalid:8123"},
    {"a colon without a port means the service's own", "http://catalogue.invalid:/echo", false,
     "POST http://catalogue.invalid/echo HTTP/1.1", "Host: catalogue.invalid"},
    {"the proxy written with its scheme", "http://catalogue.invalid/echo", true,
     "POST http://catalogue.invalid/echo HTTP/1.1", "Host: catalogue.invalid"},
};

class ThroughAProxy : public HttpExchange, public ::testing::WithParamInterface<ProxyCase> {};

TEST_P(ThroughAProxy, AsksTheProxyForTheWholeUrl) {
  const ProxyCase& c = GetParam();
  std::string proxy = "127.0.0.1:" + std::to_string(server_->port());
  if (c.proxyWithScheme) proxy = "http://" + proxy;
  HttpReply reply = HttpRequest(c.url, "POST", Text(proxy));
  ASSERT_EQ(reply.outcome, Outcome::kComplete) << c.what;
  const std::string& echoed = reply.body.str();
  // The service's own port may be written out: "http://host:80/path" is the same target.
  std::string line = RequestLine(echoed);
  if (size_t at = line.find(".invalid:80/"); at != std::string::npos) line.erase(at + 8, 3);
  EXPECT_EQ(line, c.requestLine) << c.what;
  EXPECT_NE(IndexOf(HeaderLines(echoed), c.host), -1) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, ThroughAProxy, ::testing::ValuesIn(kProxyCases));

TEST_F(HttpExchange, ReturnsTheWholeHeaderBlockOfTheFinalResponse) {
  Text headers;
  HttpReply reply = HttpRequest(Text(Url("/b/redirect=2&headers=3000/echo")), "GET", Text(), Text(),
                                Text(), &headers);
  ASSERT_EQ(reply.outcome, Outcome::kComplete);
  EXPECT_EQ(reply.status, 200);
  const std::string& h = headers.str();
  EXPECT_GT(h.size(), 3000u);
  EXPECT_EQ(h.rfind("HTTP/1.", 0), 0u);
  EXPECT_EQ(h.substr(h.size() - 4), "\r\n\r\n");
  EXPECT_EQ(h.find("HTTP/1.", 1), std::string::npos) << "one status line only";
  EXPECT_EQ(h.find("Location:"), std::string::npos);
  EXPECT_NE(h.find(std::string(1024, ' ')), 0u) << "the block is not blanks";
}

struct ServerCase {
  const char* what;
  const char* path;
  Outcome outcome;
  int status;
  bool wholeSample;  // the body is exactly the sample catalogue
  // Where the Windows functions see the case otherwise, what they may give instead.
  std::optional<Outcome> onWinInet = std::nullopt;
};

const ServerCase kServerCases[] = {
    {"a plain catalogue", "/mc/data/animal_v_115.xml", Outcome::kComplete, 200, true},
    {"a missing catalogue gives the server's page", "/mc/data/animal_v_999.xml", Outcome::kComplete,
     404, false},
    {"a server error keeps its status", "/b/status=500/mc/data/animal_v_115.xml",
     Outcome::kComplete, 500, true},
    {"a slow start", "/b/delay=1/mc/data/animal_v_115.xml", Outcome::kComplete, 200, true},
    {"a slow drip", "/b/drip=700:0.02/mc/data/animal_v_115.xml", Outcome::kComplete, 200, true},
    {"chunked", "/b/chunked=1/mc/data/animal_v_115.xml", Outcome::kComplete, 200, true},
    {"chunked and dripping", "/b/chunked=1&drip=333:0.01/mc/data/animal_v_115.xml",
     Outcome::kComplete, 200, true},
    {"shorter than its Content-Length", "/b/short=100/mc/data/animal_v_115.xml",
     Outcome::kIncomplete, 200, false},
    {"shorter, and the connection left open a while",
     "/b/short=100&linger=1/mc/data/animal_v_115.xml", Outcome::kIncomplete, 200, false},
    {"closed mid-body", "/b/cut=300/mc/data/animal_v_115.xml", Outcome::kIncomplete, 200, false},
    // The Windows functions end a chunked body cut inside a chunk as if it were
    // whole: the catalogue's own completeness test catches it there.
    {"closed mid-chunk", "/b/chunked=1&cut=300/mc/data/animal_v_115.xml", Outcome::kIncomplete, 200,
     false, Outcome::kComplete},
    {"three redirects", "/b/redirect=3/mc/data/animal_v_115.xml", Outcome::kComplete, 200, true},
    {"ten redirects are followed", "/b/redirect=10/mc/data/animal_v_115.xml", Outcome::kComplete,
     200, true},
    {"the eleventh is not", "/b/redirect=11/mc/data/animal_v_115.xml", Outcome::kComplete, 302,
     false},
    {"a redirect loop ends", "/b/loop=1/mc/data/animal_v_115.xml", Outcome::kComplete, 302, false},
    {"a redirect to another scheme is the answer",
     "/b/location=https%3A%2F%2F127.0.0.1%2Fx&rcode=301/echo", Outcome::kComplete, 301, false},
    {"headers of 64 KiB", "/b/headers=65536/mc/data/animal_v_115.xml", Outcome::kComplete, 200,
     true},
    {"closed without a byte", "/b/close=1/echo", Outcome::kNoResponse, 0, false},
    {"closed after the request", "/b/close=after-request/echo", Outcome::kNoResponse, 0, false},
    // Wine's functions may fail the send of such a reply instead of taking it for "200 OK".
    {"a reply without status line or headers", "/b/raw=1/mc/data/animal_v_115.xml",
     Outcome::kNotHttp, 0, false, Outcome::kNoResponse},
    {"a status line of another protocol version", "/b/badstatus=1/mc/data/animal_v_115.xml",
     Outcome::kNotHttp, 0, false},
    {"a status line of another protocol", "/b/badstatus=2/mc/data/animal_v_115.xml",
     Outcome::kNotHttp, 0, false},
};

class MisbehavingServer : public HttpExchange, public ::testing::WithParamInterface<ServerCase> {};

TEST_P(MisbehavingServer, EndsWithTheRightOutcome) {
  const ServerCase& c = GetParam();
  HttpReply reply = HttpRequest(Text(Url(c.path)), "POST");
  if (c.onWinInet && internet::TransportName() == std::string("WinINet") &&
      reply.outcome == *c.onWinInet) {
    return;
  }
  EXPECT_EQ(reply.outcome, c.outcome) << c.what;
  EXPECT_EQ(reply.status, c.status) << c.what;
  if (c.wholeSample) {
    EXPECT_EQ(reply.body.str(), SampleCatalogue()) << c.what;
  }
  if (c.outcome == Outcome::kIncomplete) {
    EXPECT_LT(reply.body.size(), static_cast<int>(SampleCatalogue().size())) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MisbehavingServer, ::testing::ValuesIn(kServerCases));

TEST_F(HttpExchange, ARefusedConnectionGivesNoResponse) {
  // A port that was free a moment ago: nothing listens there.
  int port;
  {
    TestServer closed;
    port = closed.port();
  }
  HttpReply reply = HttpRequest(Text("http://127.0.0.1:" + std::to_string(port) + "/"), "POST");
  EXPECT_EQ(reply.outcome, Outcome::kNoResponse);
  EXPECT_TRUE(reply.body.empty());
}

TEST_F(HttpExchange, AHostThatDoesNotResolveGivesNoResponse) {
  HttpReply reply = HttpRequest("http://no-such-host.invalid/", "POST");
  EXPECT_EQ(reply.outcome, Outcome::kNoResponse);
}

struct RedirectVerbCase {
  int code;
  const char* method;
  const char* postData;
  const char* finalVerb;
  const char* finalBody;
};

const RedirectVerbCase kRedirectVerbCases[] = {
    {301, "POST", "a=1", "GET", ""},     {302, "POST", "a=1", "GET", ""},
    {303, "POST", "a=1", "GET", ""},     {303, "post", "", "GET", ""},
    {307, "POST", "a=1", "POST", "a=1"}, {308, "POST", "a=1", "POST", "a=1"},
    {303, "GET", "", "GET", ""},
};

class RedirectVerbs : public HttpExchange,
                      public ::testing::WithParamInterface<RedirectVerbCase> {};

TEST_P(RedirectVerbs, FollowTheWindowsRules) {
  const RedirectVerbCase& c = GetParam();
  std::string path = "/b/redirect=1&rcode=" + std::to_string(c.code) + "/echo";
  HttpReply reply = HttpRequest(Text(Url(path)), c.method, Text(), Text(), Text(c.postData));
  ASSERT_EQ(reply.outcome, Outcome::kComplete) << c.code;
  ASSERT_EQ(reply.status, 200) << c.code;
  const std::string& echoed = reply.body.str();
  EXPECT_EQ(RequestLine(echoed).substr(0, RequestLine(echoed).find(' ')), c.finalVerb) << c.code;
  EXPECT_EQ(BodyOf(echoed), c.finalBody) << c.code;
  std::vector<std::string> lines = HeaderLines(echoed);
  if (std::string(c.finalBody).empty()) {
    EXPECT_FALSE(HasNoCase(lines, "content-type:")) << c.code;
  }
  if (std::string(c.finalVerb) == "GET") {
    EXPECT_FALSE(HasNoCase(lines, "content-length:")) << c.code;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RedirectVerbs, ::testing::ValuesIn(kRedirectVerbCases));

struct SizeCase {
  const char* what;
  long long bytes;
  bool chunked;
  Outcome outcome;
};

const SizeCase kSizeCases[] = {
    {"exactly the bound", internet::kMaxBodyBytes, false, Outcome::kComplete},
    {"one byte over", internet::kMaxBodyBytes + 1, false, Outcome::kTooLarge},
    {"one byte over, chunked", internet::kMaxBodyBytes + 1, true, Outcome::kTooLarge},
};

class BodyBound : public HttpExchange, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(BodyBound, RefusesABodyOverTheBound) {
  const SizeCase& c = GetParam();
  std::string path =
      std::string(c.chunked ? "/b/chunked=1" : "") + "/bytes/" + std::to_string(c.bytes);
  HttpReply reply = HttpRequest(Text(Url(path)), "POST");
  EXPECT_EQ(reply.outcome, c.outcome) << c.what;
  EXPECT_LE(reply.body.size(), internet::kMaxBodyBytes + 512) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, BodyBound, ::testing::ValuesIn(kSizeCases));

// The window is pumped while the server is silent and while the body drips.
TEST_F(HttpExchange, KeepsTheWindowResponsiveInEveryPhase) {
  HttpReply reply =
      HttpRequest(Text(Url("/b/delay=1&drip=512:0.2/mc/data/animal_v_115.xml")), "POST");
  ASSERT_EQ(reply.outcome, Outcome::kComplete);
  EXPECT_GE(testing::Pump().calls, 20);
  // The window is pumped every 50 ms; the margin is for a loaded machine.
  EXPECT_LT(testing::Pump().longestGap, std::chrono::milliseconds(150));
}

// A body that is there at once is read from memory: the window is asked
// what waits every few milliseconds, not before each of its 512-byte pieces.
TEST_F(HttpExchange, ABodyThatIsThereAtOnceIsNotPumpedPieceByPiece) {
  HttpReply reply = HttpRequest(Text(Url("/gen/100000")), "POST");
  ASSERT_EQ(reply.outcome, Outcome::kComplete);
  const long long pieces = static_cast<long long>(reply.body.size()) / 512;
  EXPECT_GE(testing::Pump().calls, 1);
  EXPECT_LT(testing::Pump().calls, pieces / 4) << pieces << " pieces";
}

// A click handled while waiting runs a whole second exchange before the first goes on.
TEST_F(HttpExchange, ANestedExchangeRunsToCompletionInside) {
  HttpReply nested;
  testing::Pump().onEvent = [&] {
    nested = HttpRequest(Text(Url("/b/chunked=1/mc/data/animal_v_115.xml")), "POST");
  };
  HttpReply outer = HttpRequest(Text(Url("/b/drip=2000:0.1/mc/data/animal_v_115.xml")), "POST");
  EXPECT_EQ(nested.outcome, Outcome::kComplete);
  EXPECT_EQ(outer.outcome, Outcome::kComplete);
  EXPECT_EQ(nested.body.str(), SampleCatalogue());
  EXPECT_EQ(outer.body.str(), SampleCatalogue());
}

// The transport's own silence rule, with a short time-out.
TEST_F(HttpExchange, ASilentServerTimesOut) {
  const std::string port = std::to_string(server_->port());
  internet::SessionHandle session = internet::OpenSession(kAgent, Text());
  internet::ConnectionHandle connection = internet::Connect(*session, "127.0.0.1", server_->port());
  internet::RequestHandle request = internet::OpenRequest(*connection, "GET", "/b/hang=1/echo");
  internet::SetTimeouts(*request, 2000, 500, 500, 60000);
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(internet::SendRequest(*request, Text(), Bytes()));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

  request = internet::OpenRequest(*connection, "GET", "/b/drip=100:3/mc/data/animal_v_115.xml");
  internet::SetTimeouts(*request, 2000, 500, 500, 60000);
  ASSERT_TRUE(internet::SendRequest(*request, Text(), Bytes()));
  char buffer[512];
  int n = 0;
  internet::ReadResult result;
  while ((result = internet::ReadBody(*request, buffer, 512, n)) == internet::ReadResult::kData) {
  }
  EXPECT_EQ(result, internet::ReadResult::kFailed);
}

// A compressed body is returned as it came, marked, and never undone.
TEST_F(HttpExchange, MarksAnEncodedBody) {
  HttpReply plain = HttpRequest(Text(Url("/mc/data/animal_v_115.xml")), "POST");
  HttpReply gzip = HttpRequest(Text(Url("/b/gzip=1/mc/data/animal_v_115.xml")), "POST");
  EXPECT_FALSE(plain.encoded);
  EXPECT_EQ(gzip.outcome, Outcome::kComplete);
  EXPECT_TRUE(gzip.encoded);
  EXPECT_EQ(gzip.body.str().substr(0, 2), "\x1f\x8b");
}

// A drip that never leaves a silence of 18 s still ends at the deadline.
TEST_F(HttpExchange, ADripEndsAtTheDeadline) {
  const int previous = SetHttpDeadline(1500);
  auto started = std::chrono::steady_clock::now();
  HttpReply reply = HttpRequest(Text(Url("/b/drip=1:0.4/mc/data/animal_v_115.xml")), "POST");
  auto took = std::chrono::steady_clock::now() - started;
  SetHttpDeadline(previous);
  EXPECT_EQ(reply.outcome, Outcome::kTimedOut);
  EXPECT_EQ(reply.status, 200);
  EXPECT_GE(took, std::chrono::milliseconds(1400));
  EXPECT_LT(took, std::chrono::seconds(5));
}

// The whole exchange gives up on a server that never answers after its 18 seconds.
TEST_F(HttpExchange, AServerThatNeverAnswersEndsAfterTheTimeOut) {
  auto started = std::chrono::steady_clock::now();
  HttpReply reply = HttpRequest(Text(Url("/b/hang=1/echo")), "POST");
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(reply.outcome, Outcome::kNoResponse);
  EXPECT_GE(took, std::chrono::seconds(17));
  EXPECT_LT(took, std::chrono::seconds(25));
}

}  // namespace
}  // namespace animal_ids
