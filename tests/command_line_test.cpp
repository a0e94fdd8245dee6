#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "tests/test_platform.h"
#include "tests/test_server.h"

namespace animal_ids {
namespace {

using testing::PrintTo;

using testing::ProgramRun;

ProgramRun RunProgram(const std::vector<std::string>& args) {
  return testing::RunProgram(ANIMAL_IDS_PROGRAM, args);
}

class CommandLineProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<testing::TestServer>(); }
  static void TearDownTestSuite() { server_.reset(); }
  static std::string Base() { return server_->Base(); }
  static std::unique_ptr<testing::TestServer> server_;
};

std::unique_ptr<testing::TestServer> CommandLineProgram::server_;

TEST_F(CommandLineProgram, ListsTheSampleCatalogueOneLinePerAnimal) {
  ProgramRun run = RunProgram({"--list", "--server", Base()});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::istringstream lines(run.out);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 22u);
  EXPECT_EQ(all.front(), "动物ID:1001----鸡");
  EXPECT_EQ(all.back(), "动物ID:12001----金牛");
  EXPECT_EQ(run.out.find('\r'), std::string::npos);
  EXPECT_EQ(run.out.back(), '\n');
}

struct CliCase {
  const char* what;
  std::vector<std::string> args;  // "BASE" stands for the test server's address
  int code;
  const char* out;       // the whole standard output
  const char* errHolds;  // a piece of standard error, "" for none expected
};

const CliCase kCliCases[] = {
    {"an ID looked up", {"--lookup", "羊", "--server", "BASE"}, 0, "1005\n", ""},
    {"a name that begins a longer one", {"--lookup=羊驼", "--server=BASE"}, 0, "1016\n", ""},
    {"a five-digit ID", {"--server", "BASE/", "--lookup", "金牛"}, 0, "12001\n", ""},
    {"a name not in the list", {"--lookup", "不存在", "--server", "BASE"}, 1, "", "不存在"},
    {"a version without a catalogue",
     {"--list", "--data-version", "999", "--server", "BASE"},
     1,
     "",
     "获取动物ID失败：服务器返回404。"},
    {"a cut body",
     {"--list", "--server", "BASE/b/short=50"},
     1,
     "",
     "获取动物ID失败：数据不完整。"},
    {"a server that closes at once",
     {"--list", "--server", "BASE/b/close=1"},
     1,
     "",
     "获取动物ID失败：无法连接服务器。"},
    {"a server that is not http", {"--list", "--server", "https://127.0.0.1"}, 2, "", "http://"},
    {"a server without a host", {"--list", "--server", "http://"}, 2, "", "no host"},
    {"an unknown option", {"--bogus"}, 2, "", "Usage:"},
    {"a missing value", {"--lookup"}, 2, "", "Usage:"},
    {"a value where none belongs", {"--list=yes"}, 2, "", "Usage:"},
    {"list and lookup together", {"--list", "--lookup", "羊"}, 2, "", "Usage:"},
    {"help", {"--help"}, 0, nullptr, ""},
    {"version", {"--version"}, 0, "animal-ids 1.0.0.0\n", ""},
};

class CommandLineCases : public CommandLineProgram,
                         public ::testing::WithParamInterface<CliCase> {};

TEST_P(CommandLineCases, ExitWithTheRightCodeAndOutput) {
  const CliCase& c = GetParam();
  std::vector<std::string> args;
  for (std::string a : c.args) {
    if (size_t at = a.find("BASE"); at != std::string::npos) a.replace(at, 4, Base());
    args.push_back(a);
  }
  ProgramRun run = RunProgram(args);
  EXPECT_EQ(run.code, c.code) << c.what << "\n" << run.err;
  if (c.out) {
    EXPECT_EQ(run.out, c.out) << c.what;
  }
  if (*c.errHolds) {
    EXPECT_NE(run.err.find(c.errHolds), std::string::npos) << c.what << "\n" << run.err;
  } else if (c.code == 0) {
    EXPECT_EQ(run.err, "") << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLineCases, ::testing::ValuesIn(kCliCases));

TEST(CommandLineParsing, HelpGoesToStandardOutput) {
  ProgramRun run = RunProgram({"--help"});
  EXPECT_EQ(run.out, UsageText());
}

TEST(CommandLineParsing, NoActionMeansTheWindow) {
  CommandLine parsed = ParseCommandLine({"--server", "http://127.0.0.1:1", "--data-version", "7"});
  EXPECT_EQ(parsed.action, CommandLine::Action::kWindow);
  EXPECT_EQ(parsed.server, "http://127.0.0.1:1");
  EXPECT_EQ(parsed.dataVersion, "7");
}

}  // namespace
}  // namespace animal_ids
