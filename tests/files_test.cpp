#include "text/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "text/files_posix_internal.h"
#include "text/text_ops.h"

namespace animal_ids {
namespace {

using namespace std::string_view_literals;

namespace fs = std::filesystem;

// UTF-8 and code page 936 forms of the same names, written as bytes.
constexpr const char* kAnimalUtf8 = "\xE5\x8A\xA8\xE7\x89\xA9";  // 动物
constexpr const char* kAnimal936 = "\xB6\xAF\xCE\xEF";
// A character whose code page 936 form has 0x5C, a backslash, as its second byte.
constexpr const char* kBackslashTrailUtf8 = "\xE4\xB9\x97";  // 乗
constexpr const char* kBackslashTrail936 = "\x81\x5C";
// Characters code page 936 cannot hold: a cow emoji and Thai ko kai.
constexpr const char* kCowUtf8 = "\xF0\x9F\x90\x84";
constexpr const char* kThaiUtf8 = "\xE0\xB8\x81";

std::string ExecutablePath() { return fs::read_symlink("/proc/self/exe").string(); }

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Each test works in a fresh directory of its own under /tmp, named in ASCII so that its
// path is the same text in both encodings.
class FilesTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/animal-ids-files-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    directory_ = name;
  }

  void TearDown() override {
    std::error_code ignored;
    fs::permissions(directory_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(directory_, ignored);
  }

  std::string Native(const std::string& name) const { return directory_ + "/" + name; }
  Text InDirectory(const std::string& name) const { return Text(Native(name)); }
  bool DirectoryIsEmpty() const { return fs::is_empty(directory_); }

  std::string directory_;
};

TEST_F(FilesTest, EmptyPathWritesNothing) {
  const std::string previous = fs::current_path();
  fs::current_path(directory_);
  const bool written = WriteBytesToFile(Text(), {Bytes("x"sv)});
  fs::current_path(previous);
  EXPECT_FALSE(written);
  EXPECT_TRUE(DirectoryIsEmpty());
}

TEST_F(FilesTest, WritesPartsInOrderWithNothingBetween) {
  const Bytes withZero(std::string("c\0d", 3));
  const struct {
    const char* name;
    bool written;
    std::string expected;
  } cases[] = {
      {"empty", WriteBytesToFile(InDirectory("empty"), {Bytes()}), ""},
      {"empties", WriteBytesToFile(InDirectory("empties"), {Bytes(), Bytes()}), ""},
      {"one", WriteBytesToFile(InDirectory("one"), {Bytes("ab"sv)}), "ab"},
      {"mixed",
       WriteBytesToFile(InDirectory("mixed"),
                        {Bytes("ab"sv), Bytes(), withZero, Bytes("\xB6\xAF"sv)}),
       std::string("abc\0d\xB6\xAF", 7)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.written);
    EXPECT_EQ(ReadWholeFile(Native(c.name)), c.expected);
  }
}

TEST_F(FilesTest, OverwritingLeavesOnlyTheNewBytes) {
  WriteWholeFile(Native("list.txt"), std::string(4096, 'o'));
  EXPECT_TRUE(WriteBytesToFile(InDirectory("list.txt"), {Bytes("new"sv)}));
  EXPECT_EQ(ReadWholeFile(Native("list.txt")), "new");
}

TEST_F(FilesTest, PathThatCannotBeCreatedFails) {
  WriteWholeFile(Native("plain"), "keep");
  EXPECT_FALSE(WriteBytesToFile(InDirectory("missing/list.txt"), {Bytes("x"sv)}));
  EXPECT_FALSE(WriteBytesToFile(InDirectory("plain/list.txt"), {Bytes("x"sv)}));
  EXPECT_FALSE(fs::exists(Native("missing")));
  EXPECT_EQ(ReadWholeFile(Native("plain")), "keep");
}

// The device that is always full: the file opens, the write fails.
TEST_F(FilesTest, FailedWriteIsReported) {
  EXPECT_FALSE(WriteBytesToFile(Text("/dev/full"), {Bytes("x"sv)}));
}

// Root writes through permission bits, so a root test drops to an unprivileged user in a child.
TEST_F(FilesTest, DirectoryWithoutWritePermissionFails) {
  fs::permissions(directory_, fs::perms::owner_read | fs::perms::owner_exec |
                                  fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  const Text path = InDirectory("list.txt");
  if (geteuid() != 0) {
    EXPECT_FALSE(WriteBytesToFile(path, {Bytes("x"sv)}));
  } else {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      constexpr uid_t kNobody = 65534;
      if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
      _exit(WriteBytesToFile(path, {Bytes("x"sv)}) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "root here cannot become an unprivileged user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write succeeded";
  }
  EXPECT_TRUE(DirectoryIsEmpty());
}

TEST_F(FilesTest, ReplaceFileMovesSourceOverTarget) {
  WriteWholeFile(Native("list.tmp"), "fresh");
  WriteWholeFile(Native("list.txt"), "old and longer");
  EXPECT_TRUE(ReplaceFile(InDirectory("list.tmp"), InDirectory("list.txt")));
  EXPECT_EQ(ReadWholeFile(Native("list.txt")), "fresh");
  EXPECT_FALSE(fs::exists(Native("list.tmp")));
}

TEST_F(FilesTest, ReplaceFileWithoutSourceKeepsTarget) {
  WriteWholeFile(Native("list.txt"), "old");
  EXPECT_FALSE(ReplaceFile(InDirectory("list.tmp"), InDirectory("list.txt")));
  EXPECT_EQ(ReadWholeFile(Native("list.txt")), "old");
}

TEST_F(FilesTest, RemoveFileRemovesOnlyWhatExists) {
  WriteWholeFile(Native("list.tmp"), "x");
  EXPECT_TRUE(RemoveFile(InDirectory("list.tmp")));
  EXPECT_FALSE(fs::exists(Native("list.tmp")));
  EXPECT_FALSE(RemoveFile(InDirectory("list.tmp")));
}

TEST_F(FilesTest, PathsAreConvertedToNativeNames) {
  const Text path = InDirectory(std::string(kAnimal936) + "ID.txt");
  EXPECT_TRUE(WriteBytesToFile(path, {Bytes("x"sv)}));
  EXPECT_EQ(ReadWholeFile(Native(std::string(kAnimalUtf8) + "ID.txt")), "x");
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_TRUE(DirectoryIsEmpty());
  // Bytes that are no character of code page 936 name no file.
  EXPECT_FALSE(WriteBytesToFile(InDirectory("\xFF.txt"), {Bytes("x"sv)}));
  EXPECT_TRUE(DirectoryIsEmpty());
}

TEST(RunDirectory, IsTheExecutablesDirectoryWithoutTrailingSeparator) {
  const std::string expected = fs::path(ExecutablePath()).parent_path().string();
  const Text directory = RunDirectory();
  EXPECT_EQ(directory.str(), expected);
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.str().back(), '/');
  EXPECT_EQ(RunDirectory(), directory);
}

TEST(RunDirectory, EstablishingEntersIt) {
  const std::string previous = fs::current_path();
  fs::current_path("/");
  EstablishRunDirectory();
  const std::string entered = fs::current_path();
  fs::current_path(previous);
  EXPECT_EQ(entered, fs::path(ExecutablePath()).parent_path().string());
  EXPECT_EQ(RunDirectory().str(), entered);
}

// A copy of this test program, run from a directory whose path is far longer
// than 260 bytes, still finds its whole directory.
TEST_F(FilesTest, ALongExecutablePathIsReadWhole) {
  std::string deep = directory_;
  while (deep.size() < 400) deep += "/" + std::string(60, 'd');
  fs::create_directories(deep);
  const std::string copy = deep + "/text_tests";
  fs::copy_file(ExecutablePath(), copy);
  const std::string report = deep + "/report.txt";
  const std::string command =
      "'" + copy +
      "' --gtest_filter=RunDirectory.IsTheExecutablesDirectoryWithoutTrailingSeparator"
      " >'" +
      report + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << copy.size() << " bytes";
  // A filter that matched nothing would pass too: the test must have run.
  EXPECT_NE(ReadWholeFile(report).value_or("").find("[  PASSED  ] 1 test."), std::string::npos);
}

// Points the run directory elsewhere and back to the test executable's afterwards.
class MovedRunDirectoryTest : public FilesTest {
 protected:
  void TearDown() override {
    files_posix_internal::TakeRunDirectoryFrom(ExecutablePath());
    FilesTest::TearDown();
  }
};

TEST_F(MovedRunDirectoryTest, DirectoryIsCutBeforeLastSeparatorAndConverted) {
  struct Case {
    std::string executable;
    std::string expected;
  };
  const Case cases[] = {
      {"/opt/animal-ids/animal-ids", "/opt/animal-ids"},
      // In the root directory, so that RunDirectory() + "/" + name still names the file.
      {"/animal-ids", ""},
      {"animal-ids", ""},
      {"/tmp/" + std::string(kAnimalUtf8) + "/animal-ids", "/tmp/" + std::string(kAnimal936)},
      {"/tmp/a" + std::string(kBackslashTrailUtf8) + "b/animal-ids",
       "/tmp/a" + std::string(kBackslashTrail936) + "b"},
      {"/tmp/" + std::string(kCowUtf8) + std::string(kThaiUtf8) + "x/animal-ids", "/tmp/??x"},
      {"/tmp/\xE5\x8A/animal-ids", "/tmp/?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.executable);
    files_posix_internal::TakeRunDirectoryFrom(c.executable);
    EXPECT_EQ(RunDirectory().str(), c.expected);
  }
}

// The saved list goes beside the executable even when code page 936 cannot spell the
// directory's name: the run directory's own bytes are used for it.
TEST_F(MovedRunDirectoryTest, FilesUnderRunDirectoryKeepItsNativeName) {
  const std::string name = std::string(kCowUtf8) + kBackslashTrailUtf8 + kAnimalUtf8;
  const std::string native = Native(name);
  ASSERT_TRUE(fs::create_directory(native));
  files_posix_internal::TakeRunDirectoryFrom(native + "/animal-ids");
  const Text directory = RunDirectory();
  ASSERT_EQ(directory.str(), directory_ + "/?" + kBackslashTrail936 + kAnimal936);

  const Text saved = ConcatText(directory, Text("/"), Text(kAnimal936), Text("ID.txt"));
  const Text temporary = ConcatText(directory, Text("/list.tmp"));
  EXPECT_TRUE(WriteBytesToFile(temporary, {Bytes("list"sv)}));
  EXPECT_TRUE(ReplaceFile(temporary, saved));
  EXPECT_EQ(ReadWholeFile(native + "/" + kAnimalUtf8 + "ID.txt"), "list");
  EXPECT_TRUE(RemoveFile(saved));
  EXPECT_TRUE(fs::is_empty(native));
  // Only the directory itself keeps its bytes; a name that merely begins like it is converted.
  const std::string lookalike = directory_ + "/?" + kBackslashTrailUtf8 + kAnimalUtf8 + "x";
  ASSERT_TRUE(fs::create_directory(lookalike));
  EXPECT_TRUE(WriteBytesToFile(ConcatText(directory, Text("x/list.txt")), {Bytes("x"sv)}));
  EXPECT_EQ(ReadWholeFile(lookalike + "/list.txt"), "x");
}

}  // namespace
}  // namespace animal_ids
