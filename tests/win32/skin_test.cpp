// The skinned look on real Win32 controls: which windows it attaches to,
// that switching it off gives every window its procedure back, and the
// colours it paints.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/look.h"
#include "app/main_window.h"
#include "app/skin_win32.h"

namespace animal_ids {
namespace {

using win32::IsSkinned;
using win32::SkinActive;

Rgb ToRgb(COLORREF colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }

Rgb ButtonFaceColour() { return ToRgb(GetSysColor(COLOR_BTNFACE)); }

// A 32-bit off-screen picture to paint windows into and read pixels from.
class Snapshot {
 public:
  Snapshot(int width, int height) : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
  }
  Snapshot(Snapshot&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)),
        bitmap_(std::exchange(other.bitmap_, nullptr)),
        previous_(other.previous_) {}
  Snapshot& operator=(Snapshot&&) = delete;
  ~Snapshot() {
    if (!dc_) return;
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }

  HDC dc() const { return dc_; }
  Rgb At(int x, int y) const { return ToRgb(GetPixel(dc_, x, y)); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

std::string Show(Rgb colour) {
  return "RGB(" + std::to_string(colour.red) + "," + std::to_string(colour.green) + "," +
         std::to_string(colour.blue) + ")";
}

void ExpectColour(Rgb actual, Rgb expected, const char* where) {
  EXPECT_EQ(actual, expected) << where << ": " << Show(actual) << " instead of " << Show(expected);
}

SIZE WindowSize(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

SIZE ClientSize(HWND window) {
  RECT rect;
  GetClientRect(window, &rect);
  return {rect.right, rect.bottom};
}

LONG_PTR ProcedureOf(HWND window) { return GetWindowLongPtrA(window, GWLP_WNDPROC); }

constexpr char kFrameClass[] = "AnimalIdsSkinTestFrame";
int g_clicks = 0;

LRESULT CALLBACK CountClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) ++g_clicks;
  return DefWindowProcA(window, message, wParam, lParam);
}

// A shown top-level window with one child of every kind the tests need.
class SkinTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = CountClicks;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    frameClass.lpszClassName = kFrameClass;
    RegisterClassA(&frameClass);
  }

  void SetUp() override {
    ASSERT_EQ(EnableSkin(0), 0) << "a test before this one left the look on";
    frame_ = CreateWindowExA(0, kFrameClass, "skin", WS_POPUP, 40, 40, 400, 300, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(frame_, nullptr);
    // Under Wine, destroying an active top-level window waits seconds for the
    // display: the frame is shown without being activated.
    ShowWindow(frame_, SW_SHOWNOACTIVATE);
    auto child = [this](const char* windowClass, DWORD style, DWORD extended, int top) {
      HWND window = CreateWindowExA(extended, windowClass, "Caption", WS_CHILD | WS_VISIBLE | style,
                                    10, top, 120, 30, frame_, nullptr, nullptr, nullptr);
      EXPECT_NE(window, nullptr) << windowClass;
      return window;
    };
    button_ = child("BUTTON", BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE, 0, 10);
    edit_ = child("EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 50);
    readOnly_ = child("Edit", ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 90);
    checkBox_ = child("Button", BS_AUTOCHECKBOX, 0, 130);
    label_ = child("STATIC", SS_LEFT, 0, 170);
    combo_ = child("ComboBox", CBS_DROPDOWNLIST, 0, 210);
    UpdateWindow(frame_);
  }

  void TearDown() override {
    EnableSkin(0);
    DestroyWindow(frame_);
  }

  std::vector<HWND> Children() const {
    return {button_, edit_, readOnly_, checkBox_, label_, combo_};
  }

  HWND frame_ = nullptr;
  HWND button_ = nullptr, edit_ = nullptr, readOnly_ = nullptr, checkBox_ = nullptr;
  HWND label_ = nullptr, combo_ = nullptr;
};

TEST_F(SkinTest, AttachesByWindowClassOnly) {
  ASSERT_EQ(EnableSkin(3), 1);
  EXPECT_TRUE(SkinActive());
  struct Case {
    const char* name;
    HWND window;
    bool skinned;
  };
  for (const Case& c : {Case{"push button", button_, true}, Case{"edit box", edit_, true},
                        Case{"read-only edit box", readOnly_, true},
                        Case{"check box", checkBox_, true}, Case{"combo box", combo_, true},
                        Case{"static", label_, false}, Case{"dialog frame", frame_, false}}) {
    EXPECT_EQ(IsSkinned(c.window), c.skinned) << c.name;
  }
}

TEST_F(SkinTest, WindowsCreatedLaterGetTheLookWhileItIsOn) {
  ASSERT_EQ(EnableSkin(2), 1);
  HWND later = CreateWindowExA(0, "Button", "later", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 10,
                               80, 30, frame_, nullptr, nullptr, nullptr);
  HWND laterLabel = CreateWindowExA(0, "Static", "later", WS_CHILD | WS_VISIBLE, 200, 50, 80, 30,
                                    frame_, nullptr, nullptr, nullptr);
  EXPECT_TRUE(IsSkinned(later));
  EXPECT_FALSE(IsSkinned(laterLabel));

  EXPECT_NE(EnableSkin(0), 0);
  HWND afterOff = CreateWindowExA(0, "Button", "after", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200,
                                  90, 80, 30, frame_, nullptr, nullptr, nullptr);
  EXPECT_FALSE(IsSkinned(afterOff)) << "the hook outlived the look";
}

TEST_F(SkinTest, SwitchingOffGivesEveryWindowItsProcedureBack) {
  std::map<HWND, LONG_PTR> own;
  for (HWND window : Children()) own[window] = ProcedureOf(window);

  // Twice on: the second call takes the look off before putting it on again,
  // so neither a procedure nor a hook of the first call is left behind.
  ASSERT_EQ(EnableSkin(3), 1);
  ASSERT_EQ(EnableSkin(1), 1);
  EXPECT_EQ(win32::SkinScheme(), 1);
  EXPECT_NE(ProcedureOf(button_), own[button_]);
  EXPECT_NE(ProcedureOf(edit_), own[edit_]);

  EXPECT_EQ(EnableSkin(0), 1) << "the result of removing the hook";
  EXPECT_FALSE(SkinActive());
  for (HWND window : Children()) {
    EXPECT_EQ(ProcedureOf(window), own[window]);
    EXPECT_FALSE(IsSkinned(window));
  }
  EXPECT_EQ(ProcedureOf(button_), static_cast<LONG_PTR>(GetClassLongPtrA(button_, GCLP_WNDPROC)));
  HWND later = CreateWindowExA(0, "Button", "later", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 10,
                               80, 30, frame_, nullptr, nullptr, nullptr);
  EXPECT_FALSE(IsSkinned(later)) << "a hook of the first call outlived the look";
}

TEST_F(SkinTest, AnyOtherSchemeWhileOffReturnsZeroAndChangesNothing) {
  LONG_PTR own = ProcedureOf(button_);
  for (int scheme : {0, 4, -1, 100}) {
    EXPECT_EQ(EnableSkin(scheme), 0) << scheme;
    EXPECT_FALSE(SkinActive()) << scheme;
    EXPECT_EQ(ProcedureOf(button_), own) << scheme;
  }
}

TEST_F(SkinTest, ADestroyedSkinnedWindowLeavesNothingBehind) {
  ASSERT_EQ(EnableSkin(3), 1);
  HWND gone = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE, 200, 10, 80, 24,
                              frame_, nullptr, nullptr, nullptr);
  ASSERT_TRUE(IsSkinned(gone));
  EXPECT_TRUE(DestroyWindow(gone));
  EXPECT_EQ(EnableSkin(0), 1);
  EXPECT_FALSE(IsWindow(gone));
}

// The button as the look paints it, whatever state it is in.
Snapshot PaintedClient(HWND window) {
  SIZE size = ClientSize(window);
  Snapshot picture(size.cx, size.cy);
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.dc()), PRF_CLIENT);
  return picture;
}

TEST_F(SkinTest, PushButtonFaceAndOutlineFollowItsState) {
  struct Case {
    const char* name;
    int scheme;
    void (*prepare)(HWND button);
    ButtonState state;
  };
  const Case cases[] = {
      {"normal", 3, [](HWND) {}, ButtonState::kNormal},
      {"normal in scheme 1", 1, [](HWND) {}, ButtonState::kNormal},
      {"normal in scheme 2", 2, [](HWND) {}, ButtonState::kNormal},
      {"hot", 3, [](HWND b) { SendMessageA(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); },
       ButtonState::kHot},
      {"pressed", 3, [](HWND b) { SendMessageA(b, BM_SETSTATE, TRUE, 0); }, ButtonState::kPressed},
      {"focused", 3, [](HWND b) { SetFocus(b); }, ButtonState::kFocused},
      {"default", 3, [](HWND b) { SendMessageA(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE); },
       ButtonState::kFocused},
      {"disabled", 3, [](HWND b) { EnableWindow(b, FALSE); }, ButtonState::kDisabled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND button = CreateWindowExA(0, "Button", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 10,
                                  80, 30, frame_, nullptr, nullptr, nullptr);
    ASSERT_EQ(EnableSkin(c.scheme), 1);
    c.prepare(button);
    Snapshot picture = PaintedClient(button);
    SIZE size = ClientSize(button);
    ButtonFace face = ButtonFaceOf(c.state);
    Rgb outline = c.state == ButtonState::kDisabled ? Darker(ButtonFaceColour(), 32)
                                                    : SkinSchemeOf(c.scheme)->buttonOutline;
    ExpectColour(picture.At(size.cx / 2, 0), outline, "top edge");
    ExpectColour(picture.At(0, size.cy / 2), outline, "left edge");
    ExpectColour(picture.At(size.cx - 1, size.cy / 2), outline, "right edge");
    ExpectColour(picture.At(size.cx / 2, size.cy - 1), outline, "bottom edge");
    ExpectColour(picture.At(2, 1), face.top, "top of the face");
    ExpectColour(picture.At(2, size.cy - 2), face.bottom, "bottom of the face");
    EXPECT_NE(picture.At(0, 0), outline) << "the corners are cut";
    EnableSkin(0);
    DestroyWindow(button);
  }
}

// The pixels of the caption's colour, in the rows where a caption may lie.
std::vector<POINT> PixelsOf(const Snapshot& picture, SIZE size, Rgb colour) {
  std::vector<POINT> found;
  for (int y = 3; y < size.cy - 3; ++y) {
    for (int x = 3; x < size.cx - 3; ++x) {
      if (picture.At(x, y) == colour) found.push_back({x, y});
    }
  }
  return found;
}

TEST_F(SkinTest, CaptionIsCentredAndMovesOneStepWhenPressed) {
  ASSERT_EQ(EnableSkin(3), 1);
  SIZE size = ClientSize(button_);
  auto bounds = [&](const std::vector<POINT>& pixels) {
    RECT box{size.cx, size.cy, -1, -1};
    for (POINT p : pixels) {
      box = {std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x),
             std::max(box.bottom, p.y)};
    }
    return box;
  };
  RECT normal = bounds(PixelsOf(PaintedClient(button_), size, kButtonCaption));
  ASSERT_LT(normal.left, normal.right) << "no caption drawn in black";
  // Centred on both axes, to within the rounding of the glyphs.
  EXPECT_LE(std::abs(normal.left - (size.cx - 1 - normal.right)), 2);
  EXPECT_LE(std::abs(normal.top - (size.cy - 1 - normal.bottom)), 3)
      << "a single line must be centred vertically";

  SendMessageA(button_, BM_SETSTATE, TRUE, 0);
  RECT pressed = bounds(PixelsOf(PaintedClient(button_), size, kButtonCaption));
  EXPECT_EQ(pressed.left, normal.left + 1);
  EXPECT_EQ(pressed.top, normal.top + 1);

  SendMessageA(button_, BM_SETSTATE, FALSE, 0);
  EnableWindow(button_, FALSE);
  Snapshot disabled = PaintedClient(button_);
  EXPECT_TRUE(PixelsOf(disabled, size, kButtonCaption).empty());
  EXPECT_FALSE(PixelsOf(disabled, size, kDisabledButtonCaption).empty());
}

TEST_F(SkinTest, ClickStillReachesTheParent) {
  ASSERT_EQ(EnableSkin(3), 1);
  g_clicks = 0;
  SendMessageA(button_, BM_CLICK, 0, 0);
  EXPECT_EQ(g_clicks, 1);
}

// The whole window, non-client edge included, as WM_PRINT draws it.
Snapshot PaintedWindow(HWND window) {
  SIZE size = WindowSize(window);
  Snapshot picture(size.cx, size.cy);
  SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(picture.dc()),
               PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  return picture;
}

TEST_F(SkinTest, EditBoxEdgeIsFlatInTheSchemeColours) {
  Rgb face = ButtonFaceColour();
  Rgb window = ToRgb(GetSysColor(COLOR_WINDOW));
  struct Case {
    const char* name;
    int scheme;
    bool readOnly, disabled;
    Rgb outer, inner;
  };
  const Case cases[] = {
      {"scheme 3", 3, false, false, SkinSchemeOf(3)->editEdge, window},
      {"scheme 1", 1, false, false, SkinSchemeOf(1)->editEdge, window},
      {"scheme 2", 2, false, false, SkinSchemeOf(2)->editEdge, window},
      {"read-only", 3, true, false, SkinSchemeOf(3)->editEdge, face},
      {"disabled", 3, false, true, Darker(face, 32), face},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND edit = c.readOnly ? readOnly_ : edit_;
    ASSERT_EQ(EnableSkin(c.scheme), 1);
    if (c.disabled) EnableWindow(edit, FALSE);
    Snapshot picture = PaintedWindow(edit);
    SIZE size = WindowSize(edit);
    ExpectColour(picture.At(size.cx / 2, 0), c.outer, "outer line, top");
    ExpectColour(picture.At(0, size.cy / 2), c.outer, "outer line, left");
    ExpectColour(picture.At(size.cx - 1, size.cy - 1), c.outer, "outer line, corner");
    ExpectColour(picture.At(size.cx / 2, 1), c.inner, "inner line, top");
    ExpectColour(picture.At(size.cx - 2, size.cy / 2), c.inner, "inner line, right");
    EnableWindow(edit, TRUE);
  }
}

TEST_F(SkinTest, EditBoxEdgeIsOnScreenAfterARedraw) {
  ASSERT_EQ(EnableSkin(3), 1);
  RedrawWindow(edit_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetWindowDC(edit_);
  SIZE size = WindowSize(edit_);
  Rgb top = ToRgb(GetPixel(dc, size.cx / 2, 0));
  ReleaseDC(edit_, dc);
  ExpectColour(top, SkinSchemeOf(3)->editEdge, "outer line on screen");
}

TEST_F(SkinTest, SwitchedOffEditBoxLosesTheFlatEdge) {
  ASSERT_EQ(EnableSkin(3), 1);
  ASSERT_EQ(EnableSkin(0), 1);
  SIZE size = WindowSize(edit_);
  EXPECT_NE(PaintedWindow(edit_).At(size.cx / 2, 0), SkinSchemeOf(3)->editEdge);
}

// What the timer found in the message box before it closed it.
struct BoxFindings {
  bool found = false;
  bool okSkinned = false;
  Rgb okTopEdge{};
};
BoxFindings g_box;

BOOL CALLBACK FindOkButton(HWND child, LPARAM) {
  char name[16];
  if (GetClassNameA(child, name, sizeof name) && lstrcmpiA(name, "Button") == 0) {
    g_box.found = true;
    g_box.okSkinned = IsSkinned(child);
    g_box.okTopEdge = PaintedClient(child).At(ClientSize(child).cx / 2, 0);
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM) {
  char name[16];
  if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
      lstrcmpA(name, "#32770") == 0 && GetWindow(window, GW_CHILD)) {
    EnumChildWindows(window, FindOkButton, 0);
    if (g_box.found) PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
  }
  return TRUE;
}

void CALLBACK InspectMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindMessageBox, 0);
  if (g_box.found) KillTimer(nullptr, timer);
}

TEST(SkinMessageBoxTest, OkButtonOfAMessageBoxIsSkinned) {
  ASSERT_EQ(EnableSkin(3), 1);
  g_box = {};
  UINT_PTR timer = SetTimer(nullptr, 0, 100, InspectMessageBox);
  ASSERT_NE(timer, 0u);
  int answer = MessageBoxA(nullptr, "saved", "info", MB_OK | MB_TASKMODAL);
  KillTimer(nullptr, timer);
  EXPECT_EQ(EnableSkin(0), 1);
  EXPECT_EQ(answer, IDOK);
  ASSERT_TRUE(g_box.found) << "no button found in the message box";
  EXPECT_TRUE(g_box.okSkinned);
  ExpectColour(g_box.okTopEdge, SkinSchemeOf(3)->buttonOutline, "OK button outline");
}

}  // namespace
}  // namespace animal_ids
