// What the user sees of every way a catalogue server can misbehave, from the
// window's fetch (按钮4 on the headless window) and from the command line.
// Written on the standard library alone, so that it runs on either transport.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "app/headless_window.h"
#include "catalogue/catalogue.h"
#include "tests/test_server.h"
#include "web/codepage.h"
#include "web/http_request.h"
#include "web/internet.h"

namespace animal_ids {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The message of each failure, as the user reads it.
const char kConnect[] = "获取动物ID失败：无法连接服务器。";
const char kLate[] = "获取动物ID失败：服务器没有及时应答。";
const char kNotHttp[] = "获取动物ID失败：服务器返回的不是HTTP应答。";
const char kCut[] = "获取动物ID失败：数据不完整。";
const char kTooLarge[] = "获取动物ID失败：数据超过64MB。";
const char kCompressed[] = "获取动物ID失败：数据经过压缩，无法读取。";
const char kZero[] = "获取动物ID失败：数据中含有零字节。";
const char kNoCatalogue[] = "获取动物ID失败：服务器返回的不是动物目录。";
const char kNotUtf8[] = "动物目录中有不是UTF-8编码的文字，已显示为“?”。";

// The deadline the window's run uses for the case that needs one, so that it ends in seconds.
constexpr int kShortDeadlineMs = 2000;

struct MatrixCase {
  const char* what;
  const char* base;     // options after the server's address; nullptr: nothing listens there
  const char* version;  // typed into 编辑框6
  bool listed;          // the whole sample catalogue is listed
  const char* message;  // the one message box shown, nullptr for none
  int seconds;          // the fetch ends within this
  bool shortDeadline;   // needs the deadline shortened, so runs in the window only
  const char* renamed = nullptr;  // the first animal's name as listed, when it differs
  // Where the Windows functions see the case otherwise, the message they may lead to instead.
  const char* onWinInet = nullptr;
};

const MatrixCase kCases[] = {
    {"a plain catalogue", "", "115", true, nullptr, 10, false},
    {"nothing listens", nullptr, "115", false, kConnect, 10, false},
    {"accepted, never answered: the time-out, no later than 20 s", "/b/hang=1", "115", false,
     kConnect, 20, false},
    {"closed at once without a byte", "/b/close=1", "115", false, kConnect, 10, false},
    {"closed after the request without a byte", "/b/close=after-request", "115", false, kConnect,
     10, false},
    {"a slow drip within the time-outs", "/b/delay=1&drip=600:0.5", "115", true, nullptr, 15,
     false},
    {"a byte every 10 s ends at the deadline", "/b/drip=1:10", "115", false, kLate, 10, true},
    {"a body shorter than its Content-Length", "/b/short=100", "115", false, kCut, 10, false},
    {"shorter, and the connection left open", "/b/short=100&linger=2", "115", false, kCut, 10,
     false},
    {"closed mid-chunk", "/b/chunked=1&cut=300", "115", false, kCut, 10, false},
    {"chunked, cut after the last animal before the root closes", "/b/chunked=1&short=11", "115",
     false, kCut, 10, false},
    {"a redirect chain within the limit", "/b/redirect=10", "115", true, nullptr, 10, false},
    {"a redirect chain beyond the limit", "/b/redirect=11", "115", false,
     "获取动物ID失败：服务器返回302。", 10, false},
    {"a redirect loop", "/b/loop=1", "115", false, "获取动物ID失败：服务器返回302。", 10, false},
    {"a redirect to https", "/b/location=https%3A%2F%2F127.0.0.1%2F", "115", false,
     "获取动物ID失败：服务器返回302。", 10, false},
    {"404", "", "999", false, "获取动物ID失败：服务器返回404。", 10, false},
    {"500", "/b/status=500", "115", false, "获取动物ID失败：服务器返回500。", 10, false},
    {"response headers of 64 KiB", "/b/headers=65536", "115", true, nullptr, 10, false},
    {"a body over the 64 MiB bound, declared", "/b/pad=67108864", "115", false, kTooLarge, 20,
     false},
    {"a body over the 64 MiB bound, chunked", "/b/chunked=1&pad=67108864", "115", false, kTooLarge,
     40, false},
    {"a UTF-8 byte-order mark", "/b/bom=1", "115", true, nullptr, 10, false},
    // Two bytes that begin no UTF-8 sequence, just before the first animal's name.
    {"invalid UTF-8", "/b/invalid=312", "115", true, kNotUtf8, 10, false, "??鸡"},
    {"a zero byte in the body", "/b/zero=200", "115", false, kZero, 10, false},
    {"a body that is not a catalogue", "/b/body=Service%20temporarily%20moved.", "115", false,
     kNoCatalogue, 10, false},
    {"an HTML page with status 200", "/b/status=200", "999", false, kNoCatalogue, 10, false},
    // Wine's functions may fail the send of such a reply instead of taking it for "200 OK".
    {"no status line and no headers", "/b/raw=1", "115", false, kNotHttp, 10, false, nullptr,
     kConnect},
    {"a status line of HTTP/2.0", "/b/badstatus=1", "115", false, kNotHttp, 10, false},
    {"a status line of another protocol", "/b/badstatus=2", "115", false, kNotHttp, 10, false},
    {"an unsolicited gzip body", "/b/gzip=1", "115", false, kCompressed, 10, false},
};

enum class Face { kWindow, kCommandLine };

struct Outcome {
  bool succeeded = false;
  std::string list;     // UTF-8; lines end in CR LF in the window, LF on the command line
  std::string count;    // 编辑框4, the window only
  std::string message;  // UTF-8: the message box, or what the program wrote to standard error
};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A word for the command interpreter (sh or cmd), which both take quoted.
std::string Quoted(const std::string& word) {
  return word.find_first_of(" &;<>|()^%!") == std::string::npos ? word : "\"" + word + "\"";
}

class ServerMatrix : public ::testing::TestWithParam<std::tuple<MatrixCase, Face>> {
 protected:
  static void SetUpTestSuite() {
    server_ = std::make_unique<testing::TestServer>();
    ResetHeadlessWindow();
    EchoInfoBoxes(false);
    SetCatalogueServer(Text(server_->Base()));
    // The sample as a plain fetch lists it, against which every case is held.
    if (FetchAnimalIds()) sample_ = AnsiToUtf8(GetText(Control::编辑框1));
    sampleCount_ = AnsiToUtf8(GetText(Control::编辑框4));
  }
  static void TearDownTestSuite() { server_.reset(); }

  static std::string BaseOf(const MatrixCase& c) {
    if (c.base) return server_->Base() + c.base;
    int port;
    {
      testing::TestServer gone;
      port = gone.port();
    }
    return "http://127.0.0.1:" + std::to_string(port);
  }

  static Outcome InWindow(const MatrixCase& c, const std::string& base) {
    ResetHeadlessWindow();
    EchoInfoBoxes(false);
    SetCatalogueServer(Text(base));
    SetText(Control::编辑框1, AnsiFromUtf8("earlier list\r\n"));
    SetText(Control::编辑框6, Text(c.version));
    const int deadline = c.shortDeadline ? SetHttpDeadline(kShortDeadlineMs) : 0;
    Outcome run;
    run.succeeded = FetchAnimalIds();
    if (c.shortDeadline) SetHttpDeadline(deadline);
    run.list = AnsiToUtf8(GetText(Control::编辑框1));
    EXPECT_EQ(run.list.rfind("earlier list\r\n", 0), 0u) << "the earlier list stays";
    run.list.erase(0, 14);
    run.count = AnsiToUtf8(GetText(Control::编辑框4));
    EXPECT_LE(ShownInfoBoxes().size(), 1u);
    if (!ShownInfoBoxes().empty()) run.message = AnsiToUtf8(ShownInfoBoxes().back());
    return run;
  }

  static Outcome OnCommandLine(const MatrixCase& c, const std::string& base) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("animal-ids-matrix-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path out = dir / "out", err = dir / "err";
    const std::string command = Quoted(ANIMAL_IDS_PROGRAM) + " --list --server " + Quoted(base) +
                                " --data-version " + c.version + " >" + Quoted(out.string()) +
                                " 2>" + Quoted(err.string());
    Outcome run;
    run.succeeded = std::system(command.c_str()) == 0;
    run.list = ReadAll(out);
    run.message = ReadAll(err);
    std::filesystem::remove_all(dir);
    return run;
  }

  static std::unique_ptr<testing::TestServer> server_;
  static std::string sample_;
  static std::string sampleCount_;
};

std::unique_ptr<testing::TestServer> ServerMatrix::server_;
std::string ServerMatrix::sample_;
std::string ServerMatrix::sampleCount_;

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

// No crash, no hang past the bound, never a partial list, and a message that names the failure.
TEST_P(ServerMatrix, ListsAllOrNothingAndSaysWhy) {
  const auto& [c, face] = GetParam();
  if (face == Face::kCommandLine && c.shortDeadline) {
    GTEST_SKIP() << "the program's deadline is the real one, minutes long";
  }
  ASSERT_EQ(sampleCount_, "22");
  std::string expected = c.listed ? sample_ : std::string();
  if (c.renamed) {
    const std::string first = "----鸡\r\n";
    expected.replace(expected.find(first), first.size(), std::string("----") + c.renamed + "\r\n");
  }
  const std::string base = BaseOf(c);

  const Clock::time_point started = Clock::now();
  Outcome run = face == Face::kWindow ? InWindow(c, base) : OnCommandLine(c, base);
  const auto took = Clock::now() - started;

  EXPECT_LT(took, std::chrono::seconds(c.seconds)) << c.what;
  EXPECT_EQ(run.succeeded, c.listed) << c.what;
  const char* message = c.message;
  if (c.onWinInet && internet::TransportName() == std::string("WinINet") &&
      run.message.find(c.onWinInet) != std::string::npos) {
    message = c.onWinInet;
  }
  if (face == Face::kWindow) {
    EXPECT_EQ(run.list, expected) << c.what;
    EXPECT_EQ(run.count, c.listed ? sampleCount_ : "0") << c.what;
    EXPECT_EQ(run.message, message ? message : "") << c.what;
  } else {
    EXPECT_EQ(run.list, WithoutCarriageReturns(expected)) << c.what;
    if (message) {
      EXPECT_NE(run.message.find(message), std::string::npos) << c.what << ": " << run.message;
    } else {
      EXPECT_EQ(run.message, "") << c.what;
    }
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<MatrixCase, Face>>& info) {
  std::string name = std::get<1>(info.param) == Face::kWindow ? "Window_" : "CommandLine_";
  for (const char* p = std::get<0>(info.param).what; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (std::isalnum(c)) {
      name += *p;
    } else if (name.back() != '_') {
      name += '_';
    }
  }
  while (name.back() == '_') name.pop_back();
  return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerMatrix,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(Face::kWindow, Face::kCommandLine)),
                         CaseName);

}  // namespace
}  // namespace animal_ids
