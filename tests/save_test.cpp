#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/headless_window.h"
#include "app/main_window.h"
#include "catalogue/catalogue.h"
#include "tests/test_platform.h"
#include "text/files.h"
#include "web/codepage.h"

namespace animal_ids {
namespace {

namespace fs = std::filesystem;
using enum Control;

// The saved list lies beside this test's executable, under its UTF-8 name.
class Saving : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHeadlessWindow();
    EchoInfoBoxes(false);
    EstablishRunDirectory();
    directory_ = testing::ExecutablePath().parent_path();
    target_ = directory_ / u8"动物ID.txt";
    saving_ = directory_ / u8"动物ID.txt.saving";
    Clean();
  }
  void TearDown() override { Clean(); }

  void Clean() {
    fs::remove_all(target_);
    fs::remove_all(saving_);
  }

  std::string Saved() const {
    std::ifstream in(target_, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }

  std::string LastMessage() const { return AnsiToUtf8(ShownInfoBoxes().back()); }

  fs::path directory_, target_, saving_;
};

const char kSaved[] = "动物ID已经成功保存在当前运行目录下！";
const char kNotSaved[] = "动物ID保存失败，请检查运行目录是否可写。";

TEST_F(Saving, WritesTheListInCodePage936AndConfirms) {
  SetText(编辑框1, AnsiFromUtf8("动物ID:1005----羊\r\n动物ID:1001----鸡\r\n"));
  EXPECT_TRUE(SaveAnimalList());
  EXPECT_EQ(Saved(),
            "\xB6\xAF\xCE\xEFID:1005----\xD1\xF2\r\n\xB6\xAF\xCE\xEFID:1001----\xBC\xA6\r\n");
  EXPECT_EQ(LastMessage(), kSaved);
  EXPECT_FALSE(fs::exists(saving_));
}

TEST_F(Saving, SavingAgainLeavesOnlyTheLatestList) {
  SetText(编辑框1, "a much longer first list\r\n");
  ASSERT_TRUE(SaveAnimalList());
  SetText(编辑框1, "short");
  ASSERT_TRUE(SaveAnimalList());
  EXPECT_EQ(Saved(), "short");
  SetText(编辑框1, "");
  ASSERT_TRUE(SaveAnimalList());
  EXPECT_TRUE(fs::exists(target_));
  EXPECT_EQ(Saved(), "");
}

TEST_F(Saving, GoesBesideTheExecutableWhateverTheCurrentDirectory) {
  fs::path elsewhere = fs::temp_directory_path();
  fs::current_path(elsewhere);
  SetText(编辑框1, "x");
  EXPECT_TRUE(SaveAnimalList());
  EXPECT_EQ(Saved(), "x");
  EXPECT_FALSE(fs::exists(elsewhere / u8"动物ID.txt"));
}

// A save that cannot be completed keeps the earlier file and says so.
// (Tests may run as root, whom permission bits do not stop; a directory
// standing where a file must go stops everyone.)
TEST_F(Saving, AFailedSaveKeepsTheOldListAndReportsIt) {
  SetText(编辑框1, "old list");
  ASSERT_TRUE(SaveAnimalList());

  fs::create_directory(saving_);
  SetText(编辑框1, "new list");
  EXPECT_FALSE(SaveAnimalList());
  EXPECT_EQ(Saved(), "old list");
  EXPECT_EQ(LastMessage(), kNotSaved);
}

TEST_F(Saving, AnUnreplaceableTargetIsReportedAndTheTemporaryRemoved) {
  fs::create_directory(target_);
  fs::create_directory(target_ / "occupied");
  SetText(编辑框1, "list");
  EXPECT_FALSE(SaveAnimalList());
  EXPECT_EQ(LastMessage(), kNotSaved);
  EXPECT_FALSE(fs::exists(saving_));
}

}  // namespace
}  // namespace animal_ids
