// The hyperlink control: hot state and capture, opening on button-down with
// a stand-in opener, the colour it paints in each state, its cursor, and the
// ".htm" browser fallback's command line.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/hyperlink_win32.h"
#include "app/look.h"

namespace animal_ids::win32 {
namespace {

constexpr char kAddress[] = "http://www.example.com/animal-ids/";

// Records every target instead of starting a browser.
struct FakeOpener {
  static inline std::vector<std::string> targets;
  static inline INT_PTR result = 33;
  static INT_PTR Open(const char* target) {
    targets.push_back(target);
    return result;
  }
};

Rgb ToRgb(COLORREF colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

class HyperlinkTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(RegisterHyperlinkClass(GetModuleHandleA(nullptr))); }

  void SetUp() override {
    previous_ = SetLinkOpener(FakeOpener::Open);
    FakeOpener::targets.clear();
    FakeOpener::result = 33;
    frame_ = CreateWindowExA(0, "Static", "frame", WS_POPUP, 40, 40, 320, 200, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(frame_, nullptr);
    // Under Wine, destroying an active top-level window waits seconds for the
    // display: the frame is shown without being activated.
    ShowWindow(frame_, SW_SHOWNOACTIVATE);
  }

  void TearDown() override {
    SetLinkOpener(previous_);
    DestroyWindow(frame_);
  }

  // Made as the main window makes its link.
  HWND MakeLink(const char* caption, const char* address) {
    HWND link = CreateWindowExA(0, kHyperlinkClass, caption, WS_CHILD | WS_VISIBLE, 8, 100, 288, 30,
                                frame_, reinterpret_cast<HMENU>(12), GetModuleHandleA(nullptr),
                                const_cast<char*>(address));
    EXPECT_NE(link, nullptr);
    return link;
  }

  HWND frame_ = nullptr;
  LinkOpener previous_ = nullptr;
};

TEST_F(HyperlinkTest, MovementOverItMakesItHotAndCapturesTheMouse) {
  HWND link = MakeLink("link", kAddress);
  EXPECT_FALSE(IsLinkHot(link));
  SendMessageA(link, WM_MOUSEMOVE, 0, At(10, 10));
  EXPECT_TRUE(IsLinkHot(link));
  EXPECT_EQ(GetCapture(), link);
  SendMessageA(link, WM_MOUSEMOVE, 0, At(200, 20));
  EXPECT_TRUE(IsLinkHot(link)) << "a movement inside keeps it hot";
  EXPECT_EQ(GetCapture(), link);
}

TEST_F(HyperlinkTest, MovementOutsideWhileCapturedEndsTheHotState) {
  struct Case {
    const char* name;
    int x, y;
  };
  for (const Case& c :
       {Case{"left of it", -1, 10}, Case{"right of it", 288, 10}, Case{"above it", 10, -1},
        Case{"below it", 10, 30}, Case{"far away", -500, 900}}) {
    SCOPED_TRACE(c.name);
    HWND link = MakeLink("link", kAddress);
    SendMessageA(link, WM_MOUSEMOVE, 0, At(5, 5));
    ASSERT_TRUE(IsLinkHot(link));
    SendMessageA(link, WM_MOUSEMOVE, 0, At(c.x, c.y));
    EXPECT_FALSE(IsLinkHot(link));
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(link);
  }
}

TEST_F(HyperlinkTest, LosingTheCaptureToAnotherWindowEndsTheHotState) {
  HWND link = MakeLink("link", kAddress);
  SendMessageA(link, WM_MOUSEMOVE, 0, At(5, 5));
  ASSERT_TRUE(IsLinkHot(link));
  SetCapture(frame_);
  EXPECT_FALSE(IsLinkHot(link));
  ReleaseCapture();
}

TEST_F(HyperlinkTest, ButtonDownOpensTheAddressAndVisitedFollowsTheResult) {
  struct Case {
    INT_PTR result;
    bool visited;
  };
  // 32 and below are the shell's failures.
  for (const Case& c :
       {Case{33, true}, Case{42, true}, Case{32, false}, Case{2, false}, Case{0, false}}) {
    SCOPED_TRACE(c.result);
    HWND link = MakeLink("link", kAddress);
    FakeOpener::targets.clear();
    FakeOpener::result = c.result;
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_EQ(FakeOpener::targets, std::vector<std::string>{kAddress});
    EXPECT_EQ(IsLinkVisited(link), c.visited);
    SendMessageA(link, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(FakeOpener::targets.size(), 1u) << "only the button-down opens";
    DestroyWindow(link);
  }
}

TEST_F(HyperlinkTest, AFailedOpenClearsTheVisitedState) {
  HWND link = MakeLink("link", kAddress);
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  ASSERT_TRUE(IsLinkVisited(link));
  FakeOpener::result = 2;
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_FALSE(IsLinkVisited(link));
}

TEST_F(HyperlinkTest, AnEmptyAddressRunsNothingAndCountsAsFailed) {
  for (const char* address : {static_cast<const char*>(nullptr), ""}) {
    HWND link = MakeLink("link", address);
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_TRUE(FakeOpener::targets.empty());
    EXPECT_FALSE(IsLinkVisited(link));
    DestroyWindow(link);
  }
}

TEST_F(HyperlinkTest, AMailLinkOpensMailtoItsAddress) {
  HWND link = MakeLink("link", kAddress);
  SetLinkMailAddress(link, "");
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_TRUE(FakeOpener::targets.empty()) << "an empty mail address runs nothing";
  SetLinkMailAddress(link, "maker@example.com");
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_EQ(FakeOpener::targets, std::vector<std::string>{"mailto:maker@example.com"});
}

// The link painted off-screen: how many pixels each colour covers.
struct Painted {
  Rgb corner;
  int normal = 0, hover = 0, visited = 0, other = 0;
};

Painted Paint(HWND link) {
  RECT client;
  GetClientRect(link, &client);
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {
      sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  SendMessageA(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  Painted painted{ToRgb(GetPixel(dc, 0, 0))};
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      Rgb pixel = ToRgb(GetPixel(dc, x, y));
      if (pixel == kLinkNormal)
        ++painted.normal;
      else if (pixel == kLinkHover)
        ++painted.hover;
      else if (pixel == kLinkVisited)
        ++painted.visited;
      else if (pixel != kLinkBackground)
        ++painted.other;
    }
  }
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return painted;
}

TEST_F(HyperlinkTest, TextColourFollowsHotThenVisited) {
  struct Case {
    const char* name;
    bool hot, opened;
    int Painted::*colour;
  };
  for (const Case& c :
       {Case{"fresh", false, false, &Painted::normal}, Case{"hot", true, false, &Painted::hover},
        Case{"visited", false, true, &Painted::visited},
        Case{"visited and hot", true, true, &Painted::hover}}) {
    SCOPED_TRACE(c.name);
    HWND link = MakeLink("Download page", kAddress);
    if (c.opened) SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    if (c.hot) SendMessageA(link, WM_MOUSEMOVE, 0, At(5, 5));
    Painted painted = Paint(link);
    EXPECT_EQ(painted.corner, kLinkBackground);
    EXPECT_GT(painted.*c.colour, 0);
    EXPECT_EQ(painted.normal + painted.hover + painted.visited, painted.*c.colour)
        << "text in a colour of another state";
    DestroyWindow(link);
  }
}

TEST_F(HyperlinkTest, AnEmptyCaptionShowsTheAddress) {
  HWND withAddress = MakeLink("", kAddress);
  EXPECT_GT(Paint(withAddress).normal, 0);
  HWND blank = MakeLink("", "");
  Painted nothing = Paint(blank);
  EXPECT_EQ(nothing.normal + nothing.other, 0) << "nothing to draw, only the background";
}

TEST_F(HyperlinkTest, CursorIsTheHandWithItsHotSpotAtTheFingertip) {
  HWND link = MakeLink("link", kAddress);
  auto cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(link, GCLP_HCURSOR));
  EXPECT_EQ(cursor, LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandCursor)));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 6u);
  EXPECT_EQ(info.yHotspot, 1u);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
}

TEST(BrowserCommandLineTest, TheTargetGoesInPlaceOfTheArgument) {
  const std::pair<const char*, const char*> cases[] = {
      {R"("C:\Browser\browser.exe" %1)", R"("C:\Browser\browser.exe" http://a.example/)"},
      {R"("C:\Browser\browser.exe" -url "%1")",
       R"("C:\Browser\browser.exe" -url "http://a.example/")"},
      {R"(browser.exe)", R"(browser.exe http://a.example/)"},
      {R"(browser.exe %1 --again %1)",
       R"(browser.exe http://a.example/ --again http://a.example/)"},
  };
  for (const auto& [command, line] : cases) {
    EXPECT_EQ(BrowserCommandLine(command, "http://a.example/"), line) << command;
  }
}

// A scratch classes root under the current user, removed afterwards.
class HtmBrowserTest : public testing::Test {
 protected:
  static constexpr char kRoot[] = "Software\\animal-ids-tests\\Classes";

  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &root_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\animal-ids-tests");
  }

  void SetDefault(const char* path, const char* value, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root_, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
  }

  HKEY root_ = nullptr;
};

TEST_F(HtmBrowserTest, ReadsTheOpenCommandOfTheHtmType) {
  SetDefault(".htm", "TestPage");
  SetDefault("TestPage\\shell\\open\\command", R"("C:\b\browser.exe" "%1")");
  EXPECT_EQ(HtmBrowserCommand(root_), R"("C:\b\browser.exe" "%1")");
}

TEST_F(HtmBrowserTest, ExpandsEnvironmentVariables) {
  SetDefault(".htm", "TestPage");
  SetDefault("TestPage\\shell\\open\\command", "%SystemRoot%\\browser.exe %1", REG_EXPAND_SZ);
  char expected[MAX_PATH];
  ExpandEnvironmentStringsA("%SystemRoot%\\browser.exe %1", expected, MAX_PATH);
  EXPECT_EQ(HtmBrowserCommand(root_), expected);
  EXPECT_EQ(HtmBrowserCommand(root_).find('%'), HtmBrowserCommand(root_).size() - 2);
}

TEST_F(HtmBrowserTest, NothingWhenTheTypeOrItsCommandIsMissing) {
  EXPECT_EQ(HtmBrowserCommand(root_), "") << "no .htm key";
  SetDefault(".htm", "");
  EXPECT_EQ(HtmBrowserCommand(root_), "") << "an empty type";
  SetDefault(".htm", "TestPage");
  EXPECT_EQ(HtmBrowserCommand(root_), "") << "a type without an open command";
}

}  // namespace
}  // namespace animal_ids::win32
