#include "catalogue/catalogue.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/headless_window.h"
#include "app/main_window.h"
#include "tests/case_names.h"
#include "tests/test_platform.h"
#include "tests/test_server.h"
#include "text/text_ops.h"
#include "web/codepage.h"
#include "web/internet.h"

namespace animal_ids {
namespace {

using testing::PrintTo;

using enum Control;

// Texts are written here in UTF-8 and held by the program in code page 936.
Text Ansi(const std::string& utf8) { return AnsiFromUtf8(utf8); }
std::string Utf8(const Text& text) { return AnsiToUtf8(text); }

class HeadlessWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHeadlessWindow();
    EchoInfoBoxes(false);
  }
};

struct ListingCase {
  const char* what;
  const char* doc;
  const char* lines;  // what 编辑框1 then holds
  const char* count;  // what 编辑框4 shows
};

const ListingCase kListingCases[] = {
    {"an empty document", "", "", "0"},
    {"three animals with 3-, 4- and 5-digit IDs",
     "<animals>\n<animal id=\"152\" name=\"小鸡\" price=\"30\">\n</animal>\n"
     "<animal id=\"1005\" name=\"羊\" price=\"100\"></animal>"
     "<animal id=\"12001\" name=\"金牛\" price=\"1200\"></animal></animals>",
     "动物ID:152----小鸡\r\n动物ID:1005----羊\r\n动物ID:12001----金牛\r\n", "3"},
    {"an id on the root element is never taken",
     "<animals id=\"9\" name=\"root\" price=\"0\"><animal name=\"a\" price=\"1\"></animal>"
     "<animal id=\"2\" name=\"b\" price=\"2\"></animal></animals>",
     "动物ID:2----b\r\n", "1"},
    {"an element without a name lends nothing to its neighbour",
     "<animal id=\"1\" price=\"1\"></animal><animal id=\"2\" name=\"b\" price=\"2\"></animal>",
     "动物ID:2----b\r\n", "1"},
    {"an element without an id is skipped",
     "<animal name=\"a\" price=\"1\"></animal><animal id=\"2\" name=\"b\" price=\"2\"></animal>",
     "动物ID:2----b\r\n", "1"},
    {"<animalInfo is not a start tag of an animal",
     "<animalInfo id=\"5\" name=\"info\" price=\"0\"/><animal id=\"6\" name=\"real\" price=\"2\">"
     "</animal>",
     "动物ID:6----real\r\n", "1"},
    {"the last start tag before the closing tag opens the element",
     "<animal id=\"1\" name=\"stray\" price=\"1\"><animal id=\"2\" name=\"b\" "
     "price=\"2\"></animal>",
     "动物ID:2----b\r\n", "1"},
    {"markers count only where they start an attribute",
     "<animal xid=\"7\" id=\"8\" nickname=\"nick\" name=\"real\" price=\"1\"></animal>",
     "动物ID:8----real\r\n", "1"},
    {"the name ends at its own closing quote",
     "<animal id=\"1\" name=\"a\" color=\"red\" price=\"1\"></animal>", "动物ID:1----a\r\n", "1"},
    {"attributes of child elements are not the animal's",
     "<animal id=\"1\" name=\"a\" price=\"1\"><food id=\"99\" name=\"grass\" "
     "price=\"0\"/></animal>",
     "动物ID:1----a\r\n", "1"},
    {"a child's attributes cannot stand in for missing ones",
     "<animal id=\"1\" price=\"1\"><food name=\"grass\" price=\"0\"/></animal>", "", "0"},
    {"attributes may stand on their own lines",
     "<animal\r\n\tid=\"3\"\n\tname=\"兔子\"\r\n\tprice=\"9\"\n></animal>", "动物ID:3----兔子\r\n",
     "1"},
    {"a quoted '>' does not end the start tag",
     "<animal id=\"1\" name=\"a>b\" price=\"1\"></animal>", "动物ID:1----a>b\r\n", "1"},
    {"names are taken verbatim", "<animal id=\"1\" name=\"A&amp;B\" price=\"1\"></animal>",
     "动物ID:1----A&amp;B\r\n", "1"},
    {"a closing tag in another letter case closes nothing",
     "<animal id=\"1\" name=\"a\" price=\"1\"></ANIMAL>", "", "0"},
    {"a start tag without attributes", "<animal></animal>", "", "0"},
    {"the name must follow the id", "<animal name=\"a\" id=\"1\" price=\"1\"></animal>", "", "0"},
    {"an empty id and name still make a line", "<animal id=\"\" name=\"\" price=\"1\"></animal>",
     "动物ID:----\r\n", "1"},
};

class Listing : public HeadlessWindowTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(Listing, ListsEachWholeElement) {
  const ListingCase& c = GetParam();
  ListCatalogue(Ansi(c.doc));
  EXPECT_EQ(Utf8(GetText(编辑框1)), c.lines) << c.what;
  EXPECT_EQ(Utf8(GetText(编辑框4)), c.count) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, Listing, ::testing::ValuesIn(kListingCases));

TEST_F(HeadlessWindowTest, ListingTwiceAppendsTwice) {
  SetText(编辑框1, Ansi("typed\r\n"));
  const Text doc = Ansi("<animal id=\"1\" name=\"羊\" price=\"1\"></animal>");
  ListCatalogue(doc);
  ListCatalogue(doc);
  EXPECT_EQ(Utf8(GetText(编辑框1)), "typed\r\n动物ID:1----羊\r\n动物ID:1----羊\r\n");
  EXPECT_EQ(Utf8(GetText(编辑框4)), "1");
}

struct FormCase {
  const char* what;
  const char* doc;
  CatalogueForm form;
};

const FormCase kFormCases[] = {
    {"a whole catalogue",
     "<?xml version=\"1.0\"?>\n<!-- c -->\n<animals v=\"1\">\n<animal id=\"1\" name=\"a\" "
     "price=\"1\">\n</animal>\n</animals>\n",
     CatalogueForm::kComplete},
    {"an empty catalogue", "<animals></animals>", CatalogueForm::kComplete},
    {"an empty catalogue in one tag", "<animals/>", CatalogueForm::kComplete},
    {"a root of another name that holds animals",
     "<data><animal id=\"1\" name=\"a\" price=\"1\"></animal></data>", CatalogueForm::kComplete},
    {"cut after the last animal, before the root's closing tag",
     "<animals><animal id=\"1\" name=\"a\" price=\"1\"></animal>\n", CatalogueForm::kCut},
    {"cut inside the root's closing tag",
     "<animals><animal id=\"1\" name=\"a\" price=\"1\"></animal></anim", CatalogueForm::kCut},
    {"cut inside a start tag", "<animals><animal id=\"1\" na", CatalogueForm::kCut},
    {"cut inside a quoted value holding '>'", "<animals><animal id=\"1\" name=\"a>",
     CatalogueForm::kCut},
    {"cut after an inner element of the root's name",
     "<animals><animals></animals><animal id=\"1\" name=\"a\" price=\"1\"></animal>",
     CatalogueForm::kCut},
    {"a closing tag inside a comment closes nothing",
     "<animals><animal id=\"1\" name=\"a\" price=\"1\"></animal><!-- </animals>",
     CatalogueForm::kCut},
    {"a closing tag inside CDATA closes nothing", "<animals><![CDATA[</animals>]]>",
     CatalogueForm::kCut},
    {"only the declaration", "<?xml version=\"1.0\"?>\n", CatalogueForm::kCut},
    {"an empty document", "", CatalogueForm::kNotCatalogue},
    {"plain text", "hello, world", CatalogueForm::kNotCatalogue},
    {"text before the root", "?<animals></animals>", CatalogueForm::kNotCatalogue},
    {"a whole HTML page", "<!DOCTYPE html>\n<html><body><h1>Not Found</h1></body></html>\n",
     CatalogueForm::kNotCatalogue},
    {"a stray closing tag first", "</animals>", CatalogueForm::kNotCatalogue},
};

class Form : public ::testing::TestWithParam<FormCase> {};

TEST_P(Form, IsCompleteOnlyOnceTheRootIsClosed) {
  const FormCase& c = GetParam();
  EXPECT_EQ(CheckCatalogue(Ansi(c.doc)), c.form) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, Form, ::testing::ValuesIn(kFormCases));

struct LookupCase {
  const char* what;
  const char* list;
  const char* name;
  const char* id;  // what 编辑框5 shows
  bool found;
};

const LookupCase kLookupCases[] = {
    {"a four-digit ID", "动物ID:1001----鸡\r\n动物ID:1005----羊\r\n", "羊", "1005", true},
    {"a three-digit ID is shown whole", "动物ID:152----小鸡\r\n", "小鸡", "152", true},
    {"a five-digit ID is shown whole", "动物ID:12001----金牛\r\n", "金牛", "12001", true},
    {"a name that begins a longer name listed earlier",
     "动物ID:1016----羊驼\r\n动物ID:1005----羊\r\n", "羊", "1005", true},
    {"a name that only begins a listed name", "动物ID:1016----羊驼\r\n", "羊", "", false},
    {"a name that is not listed", "动物ID:1005----羊\r\n", "狗", "", false},
    {"text typed by hand, LF only, no prefix, no last line end", "1007----猪\n1008----牛", "牛",
     "1008", true},
    {"letter case matters", "动物ID:7----Cat\r\n", "cat", "", false},
    {"the line splits at its first ----", "动物ID:3----a----b\r\n", "a----b", "3", true},
    {"an empty name matches a line with an empty name", "动物ID:1----a\r\n动物ID:2----\r\n", "",
     "2", true},
    {"an empty list", "", "羊", "", false},
};

class Lookup : public HeadlessWindowTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(Lookup, ShowsTheWholeIdOfTheNamedAnimal) {
  const LookupCase& c = GetParam();
  SetText(编辑框1, Ansi(c.list));
  SetText(编辑框2, Ansi(c.name));
  SetText(编辑框5, "stale");
  EXPECT_EQ(LookupAnimalId(), c.found) << c.what;
  EXPECT_EQ(Utf8(GetText(编辑框5)), c.id) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, Lookup, ::testing::ValuesIn(kLookupCases));

struct UrlCase {
  const char* version;
  const char* path;
};

const UrlCase kUrlCases[] = {
    {"115", "/mc/data/animal_v_115.xml"},
    {"", "/mc/data/animal_v_.xml"},
    {" 116 ", "/mc/data/animal_v_%20116%20.xml"},
    {"1?5#%", "/mc/data/animal_v_1%3F5%23%25.xml"},
    {"\xD1\xF2\t\x7F", "/mc/data/animal_v_%D1%F2%09%7F.xml"},
    {"../x/y", "/mc/data/animal_v_../x/y.xml"},
};

TEST(CatalogueUrl, EscapesWhatAPathMayNotCarry) {
  SetCatalogueServer("http://127.0.0.1:1");
  for (const UrlCase& c : kUrlCases) {
    EXPECT_EQ(CatalogueUrl(c.version).str(), std::string("http://127.0.0.1:1") + c.path)
        << c.version;
  }
}

// Two catalogues in a directory of the test's own.
class Fetching : public HeadlessWindowTest {
 protected:
  static void SetUpTestSuite() {
    root_ = testing::MakeTemporaryDirectory("animal-ids-fetch-").string();
    std::ofstream(root_ + "/animal_v_115.xml", std::ios::binary)
        << "<animals><animal id=\"1005\" name=\"羊\" price=\"1\"></animal>"
           "<animal id=\"1016\" name=\"羊驼\" price=\"2\"></animal></animals>";
    std::ofstream(root_ + "/animal_v_116.xml", std::ios::binary)
        << "<animals><animal id=\"2001\" name=\"新兔\" price=\"1\"></animal></animals>";
    std::ofstream(root_ + "/animal_v_0.xml", std::ios::binary) << "<animals></animals>";
    server_ = std::make_unique<testing::TestServer>(root_);
  }
  static void TearDownTestSuite() {
    server_.reset();
    std::filesystem::remove_all(root_);
  }
  void SetUp() override {
    HeadlessWindowTest::SetUp();
    SetCatalogueServer(Text(server_->Base()));
  }

  static std::string root_;
  static std::unique_ptr<testing::TestServer> server_;
};

std::string Fetching::root_;
std::unique_ptr<testing::TestServer> Fetching::server_;

TEST_F(Fetching, ListsTheCatalogueOfTheTypedVersion) {
  EXPECT_TRUE(FetchAnimalIds());
  EXPECT_EQ(Utf8(GetText(编辑框1)), "动物ID:1005----羊\r\n动物ID:1016----羊驼\r\n");
  EXPECT_EQ(Utf8(GetText(编辑框4)), "2");
  EXPECT_TRUE(ShownInfoBoxes().empty());

  SetText(编辑框6, "116");
  EXPECT_TRUE(FetchAnimalIds());
  EXPECT_EQ(Utf8(GetText(编辑框1)),
            "动物ID:1005----羊\r\n动物ID:1016----羊驼\r\n动物ID:2001----新兔\r\n");
  EXPECT_EQ(Utf8(GetText(编辑框4)), "1");
}

TEST_F(Fetching, ACatalogueWithoutAnimalsShowsZeroSilently) {
  SetText(编辑框6, "0");
  EXPECT_TRUE(FetchAnimalIds());
  EXPECT_EQ(Utf8(GetText(编辑框4)), "0");
  EXPECT_TRUE(ShownInfoBoxes().empty());
}

struct FailureCase {
  const char* what;
  const char* base;  // appended to the server's address; nullptr for a closed port
  const char* version;
  const char* message;
  // Where the Windows functions see the case otherwise, the message they may lead to instead.
  const char* onWinInet = nullptr;
};

const FailureCase kFailureCases[] = {
    {"no catalogue of that version", "", "999", "获取动物ID失败：服务器返回404。"},
    {"a server error", "/b/status=500", "115", "获取动物ID失败：服务器返回500。"},
    {"a redirect that is not followed", "/b/location=https%3A%2F%2F127.0.0.1%2F", "115",
     "获取动物ID失败：服务器返回302。"},
    {"a body shorter than its Content-Length", "/b/short=10", "115",
     "获取动物ID失败：数据不完整。"},
    {"closed mid-body", "/b/cut=40", "115", "获取动物ID失败：数据不完整。"},
    {"closed mid-chunk", "/b/chunked=1&cut=40", "115", "获取动物ID失败：数据不完整。"},
    {"closed without a byte", "/b/close=1", "115", "获取动物ID失败：无法连接服务器。"},
    {"a redirect loop", "/b/loop=1", "115", "获取动物ID失败：服务器返回302。"},
    {"cut after the last animal, chunked", "/b/chunked=1&short=10", "115",
     "获取动物ID失败：数据不完整。"},
    // Wine's functions may fail the send of such a reply instead of taking it for "200 OK".
    {"no status line", "/b/raw=1", "115", "获取动物ID失败：服务器返回的不是HTTP应答。",
     "获取动物ID失败：无法连接服务器。"},
    {"not a catalogue", "/b/body=%3Chtml%3E%3C%2Fhtml%3E", "115",
     "获取动物ID失败：服务器返回的不是动物目录。"},
    {"a zero byte", "/b/zero=30", "115", "获取动物ID失败：数据中含有零字节。"},
    {"compressed", "/b/gzip=1", "115", "获取动物ID失败：数据经过压缩，无法读取。"},
    {"nothing listens", nullptr, "115", "获取动物ID失败：无法连接服务器。"},
};

class FetchFailure : public Fetching, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FetchFailure, ListsNothingAndTellsTheUser) {
  const FailureCase& c = GetParam();
  if (c.base) {
    SetCatalogueServer(Text(server_->Base() + c.base));
  } else {
    int port;
    {
      testing::TestServer gone(root_);
      port = gone.port();
    }
    SetCatalogueServer(Text("http://127.0.0.1:" + std::to_string(port)));
  }
  SetText(编辑框1, Ansi("earlier list\r\n"));
  SetText(编辑框4, "7");
  SetText(编辑框6, c.version);
  EXPECT_FALSE(FetchAnimalIds()) << c.what;
  EXPECT_EQ(Utf8(GetText(编辑框1)), "earlier list\r\n") << c.what;
  EXPECT_EQ(Utf8(GetText(编辑框4)), "0") << c.what;
  ASSERT_EQ(ShownInfoBoxes().size(), 1u) << c.what;
  std::string shown = Utf8(ShownInfoBoxes()[0]);
  if (!c.onWinInet || internet::TransportName() != std::string("WinINet") || shown != c.onWinInet) {
    EXPECT_EQ(shown, c.message) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FetchFailure, ::testing::ValuesIn(kFailureCases));

// A second click on 按钮4 during a slow download runs a whole fetch, whose lines come first.
TEST_F(Fetching, ANestedFetchListsBeforeTheOneItInterrupted) {
  SetCatalogueServer(Text(server_->Base() + "/b/drip=20:0.05"));
  PostHeadlessEvent([] {
    SetText(编辑框6, "116");
    FetchAnimalIds();
  });
  EXPECT_TRUE(FetchAnimalIds());
  EXPECT_EQ(Utf8(GetText(编辑框1)),
            "动物ID:2001----新兔\r\n动物ID:1005----羊\r\n动物ID:1016----羊驼\r\n");
  EXPECT_EQ(Utf8(GetText(编辑框4)), "2");
}

// The typed list, not only a downloaded one, is what 按钮2 searches.
TEST_F(Fetching, LooksUpInADownloadedListAfterTheUserEditedIt) {
  ASSERT_TRUE(FetchAnimalIds());
  SetText(编辑框1, ConcatText(GetText(编辑框1), Ansi("9999----手写\r\n")));
  SetText(编辑框2, Ansi("手写"));
  EXPECT_TRUE(LookupAnimalId());
  EXPECT_EQ(Utf8(GetText(编辑框5)), "9999");
  SetText(编辑框2, Ansi("羊"));
  EXPECT_TRUE(LookupAnimalId());
  EXPECT_EQ(Utf8(GetText(编辑框5)), "1005");
}

}  // namespace
}  // namespace animal_ids
