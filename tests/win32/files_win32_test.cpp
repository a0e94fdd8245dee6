#include "text/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "tests/test_platform.h"
#include "text/text_ops.h"
#include "web/codepage.h"

// The Windows file functions: the run directory, writing, replacing and
// removing, with names in code page 936 and paths beyond MAX_PATH.

namespace animal_ids {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A path of the file system as the program's texts hold it.
Text AsText(const fs::path& path) {
  std::u16string wide = path.u16string();
  return AnsiFromWide(wide);
}

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override { directory_ = testing::MakeTemporaryDirectory("animal-ids-files-"); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }
  fs::path directory_;
};

TEST(RunDirectory, IsTheExecutablesDirectoryAndBecomesTheCurrentOne) {
  fs::current_path(fs::temp_directory_path());
  EstablishRunDirectory();
  fs::path expected = testing::ExecutablePath().parent_path();
  EXPECT_EQ(RunDirectory(), AsText(expected));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), expected));
}

TEST_F(WindowsFiles, WritesThePartsInOrderAndTruncatesAnOlderFile) {
  struct Case {
    const char* name;  // UTF-8
    std::string first, second, expected;
  };
  const Case cases[] = {
      {"plain.txt", "abc", "def", "abcdef"},
      {"动物ID.txt", std::string("\xB6\xAF\0x", 4), "", std::string("\xB6\xAF\0x", 4)},
      {"empty.txt", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path native = directory_ / fs::path(reinterpret_cast<const char8_t*>(c.name));
    std::ofstream(native, std::ios::binary) << std::string(100, 'x');
    Text path = ConcatText(AsText(directory_), "\\", AnsiFromUtf8(c.name));
    EXPECT_TRUE(WriteBytesToFile(path, {Bytes(c.first), Bytes(c.second)}));
    EXPECT_EQ(ReadWholeFile(native), c.expected);
  }
}

TEST_F(WindowsFiles, ForwardSlashesAndLongPathsReachTheFile) {
  fs::path deep = directory_;
  Text text = AsText(directory_);
  while (text.size() < 300) {
    deep /= std::string(40, 'd');
    text = ConcatText(text, "/", Text(std::string(40, 'd')));
  }
  fs::create_directories(deep);
  EXPECT_TRUE(WriteBytesToFile(ConcatText(text, "/list.txt"), {Bytes("deep")}));
  EXPECT_EQ(ReadWholeFile(deep / "list.txt"), "deep");
  EXPECT_TRUE(ReplaceFile(ConcatText(text, "/list.txt"), ConcatText(text, "/moved.txt")));
  EXPECT_EQ(ReadWholeFile(deep / "moved.txt"), "deep");
  EXPECT_TRUE(RemoveFile(ConcatText(text, "/moved.txt")));
  EXPECT_FALSE(fs::exists(deep / "moved.txt"));
}

TEST_F(WindowsFiles, FailuresAreReportedAndLeaveTheTargetAlone) {
  Text base = AsText(directory_);
  fs::create_directory(directory_ / "a directory");
  EXPECT_FALSE(WriteBytesToFile(ConcatText(base, "\\a directory"), {Bytes("x")}));
  EXPECT_FALSE(WriteBytesToFile(ConcatText(base, "\\missing\\file.txt"), {Bytes("x")}));
  EXPECT_FALSE(WriteBytesToFile(Text(), {Bytes("x")}));

  std::ofstream(directory_ / "target.txt", std::ios::binary) << "old";
  EXPECT_FALSE(ReplaceFile(ConcatText(base, "\\absent.txt"), ConcatText(base, "\\target.txt")));
  EXPECT_EQ(ReadWholeFile(directory_ / "target.txt"), "old");
  EXPECT_FALSE(RemoveFile(ConcatText(base, "\\absent.txt")));

  std::ofstream(directory_ / "new.txt", std::ios::binary) << "new";
  EXPECT_TRUE(ReplaceFile(ConcatText(base, "\\new.txt"), ConcatText(base, "\\target.txt")));
  EXPECT_EQ(ReadWholeFile(directory_ / "target.txt"), "new");
  EXPECT_FALSE(fs::exists(directory_ / "new.txt"));
}

}  // namespace
}  // namespace animal_ids
