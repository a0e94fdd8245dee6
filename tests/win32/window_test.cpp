#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_win32.h"
#include "app/skin_win32.h"
#include "app/window_layout.h"
#include "catalogue/catalogue.h"
#include "tests/test_platform.h"
#include "tests/test_server.h"
#include "text/files.h"
#include "web/codepage.h"

// The real Win32 window, driven in this process through its message loop.

namespace animal_ids {
namespace {

namespace fs = std::filesystem;
using enum Control;
using Clock = std::chrono::steady_clock;

std::string Utf8(const Text& text) { return AnsiToUtf8(text); }
Text Ansi(const char* utf8) { return AnsiFromUtf8(utf8); }

HWND Of(Control control) { return win32::ControlWindow(control); }

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Runs a callback from inside whatever loop the thread is in (a message box's included).
class DuringLoop {
 public:
  explicit DuringLoop(std::function<bool()> step, UINT everyMs = 30) {
    Current() = std::move(step);
    timer_ = SetTimer(nullptr, 0, everyMs, [](HWND, UINT, UINT_PTR, DWORD) {
      if (Current() && Current()()) Current() = nullptr;
    });
  }
  ~DuringLoop() {
    KillTimer(nullptr, timer_);
    Current() = nullptr;
  }

 private:
  static std::function<bool()>& Current() {
    static std::function<bool()> step;
    return step;
  }
  UINT_PTR timer_;
};

// The thread's message box, if one is open.
HWND OpenMessageBox() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM out) {
        if (ClassOf(window) == "#32770" && IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string WindowTextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return AnsiToUtf8(Text(text));
}

// What a message box showed when the test closed it.
struct SeenBox {
  std::string caption, text;
  bool buttonSkinned = false;
};

// Closes the next message box with OK, noting what it showed.
std::function<bool()> CloseBoxNoting(SeenBox& seen) {
  return [&seen] {
    HWND box = OpenMessageBox();
    if (!box) return false;
    seen.caption = WindowTextOf(box);
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text) seen.text = WindowTextOf(text);
    HWND ok = GetDlgItem(box, IDOK);
    seen.buttonSkinned = ok && win32::IsSkinned(ok);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  };
}

// Handles what is waiting, as the main loop would, until the queue holds
// nothing but possibly the quit message.
void Drain() { ProcessPendingEvents(); }

// Removes the quit message the closed window left; true when there was one.
bool TakeQuit() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

void Press(HWND target, UINT key) {
  PostMessageA(target, WM_KEYDOWN, key, 1);
  Drain();
}

// Types into a box as a user would: ASCII from the keyboard (Enter makes the
// line end), a Chinese character pasted, since Wine's keyboard here has no
// input method for it.
void TypeInto(HWND box, std::u16string_view text) {
  for (char16_t unit : text) {
    if (unit < 0x80) {
      SendMessageA(box, WM_CHAR, unit, 1);
      continue;
    }
    if (!OpenClipboard(box)) continue;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 2 * sizeof(wchar_t));
    auto* units = static_cast<wchar_t*>(GlobalLock(memory));
    units[0] = static_cast<wchar_t>(unit);
    units[1] = L'\0';
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);  // the clipboard owns it now
    CloseClipboard();
    SendMessageA(box, WM_PASTE, 0, 0);
  }
}

void Click(Control button) { SendMessageA(Of(button), BM_CLICK, 0, 0); }

class Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(win32::RegisterWindowClasses(GetModuleHandleA(nullptr)));
    server_ = new testing::TestServer();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    SetCatalogueServer(Text(server_->Base()));
    window_ = win32::CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOW);
    ASSERT_TRUE(window_);
    SetForegroundWindow(window_);
    Drain();
  }
  void TearDown() override {
    if (win32::MainWindowHandle()) DestroyWindow(win32::MainWindowHandle());
    Drain();
    TakeQuit();
    BYTE keys[256] = {};
    SetKeyboardState(keys);
  }

  static testing::TestServer* server_;
  HWND window_ = nullptr;
};

testing::TestServer* Window::server_ = nullptr;

TEST_F(Window, FrameHasItsCaptionSizeAndPlace) {
  RECT rect;
  GetWindowRect(window_, &rect);
  EXPECT_EQ(rect.right - rect.left, 308);
  EXPECT_EQ(rect.bottom - rect.top, 454);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 308) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 454) / 2);
  EXPECT_EQ(WindowTextOf(window_), "青岚舍--QQ牧场动物ID查询");
  LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_CLIPCHILDREN);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(GetWindow(window_, GW_OWNER), nullptr);
  EXPECT_NE(SendMessageA(window_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0), 0);
}

// Every control where the table puts it, of its kind, with its styles and text.
TEST_F(Window, ControlsFollowTheDescriptionTable) {
  for (const ControlDescription& d : MainWindowControls()) {
    HWND control = Of(d.control);
    ASSERT_TRUE(control) << d.initialText;
    SCOPED_TRACE(d.initialText);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, d.left);
    EXPECT_EQ(rect.top, d.top);
    EXPECT_EQ(rect.right - rect.left, d.width);
    EXPECT_GE(rect.bottom - rect.top, d.height);
    EXPECT_TRUE(IsWindowVisible(control) || d.left > 302);
    EXPECT_TRUE(IsWindowEnabled(control));
    EXPECT_EQ(GetText(d.control), AnsiFromUtf8(d.initialText));
    LONG style = GetWindowLongA(control, GWL_STYLE);
    LONG extended = GetWindowLongA(control, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    switch (d.kind) {
      case ControlKind::kEditBox:
        EXPECT_EQ(ClassOf(control), "Edit");
        EXPECT_TRUE(extended & WS_EX_CLIENTEDGE);
        EXPECT_EQ(bool(style & ES_MULTILINE), d.multiLine);
        EXPECT_EQ(bool(style & ES_WANTRETURN), d.multiLine);
        EXPECT_EQ(bool(style & ES_AUTOHSCROLL), !d.multiLine);
        EXPECT_EQ(bool(style & WS_VSCROLL), d.verticalScrollBar);
        EXPECT_EQ(bool(style & ES_CENTER), d.align == Align::kCenter);
        EXPECT_FALSE(style & (ES_READONLY | ES_PASSWORD | ES_UPPERCASE | ES_LOWERCASE |
                              ES_NOHIDESEL));
        EXPECT_EQ(SendMessageA(control, EM_GETSEL, 0, 0), 0) << "caret at position 0";
        break;
      case ControlKind::kButton:
        EXPECT_EQ(ClassOf(control), "Button");
        EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
        EXPECT_EQ(style & (BS_CENTER | BS_VCENTER | BS_MULTILINE),
                  BS_CENTER | BS_VCENTER | BS_MULTILINE);
        EXPECT_TRUE(win32::IsSkinned(control));
        break;
      case ControlKind::kLabel:
      case ControlKind::kHyperLinker:
        EXPECT_FALSE(style & (WS_TABSTOP | WS_BORDER));
        EXPECT_FALSE(win32::IsSkinned(control));
        break;
    }
  }
}

TEST_F(Window, ControlsAreStackedAsTheTableLists) {
  std::vector<HWND> expected;
  for (const ControlDescription& d : MainWindowControls()) expected.push_back(Of(d.control));
  std::vector<HWND> stacked;
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    stacked.push_back(child);
  }
  EXPECT_EQ(stacked, expected);
}

TEST_F(Window, TabWalksTheOrderThroughTheUnseenBoxAndShiftTabWalksBack) {
  std::vector<Control> order(MainWindowTabOrder().begin(), MainWindowTabOrder().end());
  ASSERT_EQ(GetFocus(), Of(编辑框1));
  for (size_t i = 1; i <= order.size(); ++i) {
    Press(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), Of(order[i % order.size()])) << "after " << i << " Tabs";
  }
  BYTE keys[256] = {};
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  Press(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Of(order.back()));
}

TEST_F(Window, TypedCharactersGoToTheUnseenBox) {
  SetFocus(Of(编辑框2));
  Press(GetFocus(), VK_TAB);
  ASSERT_EQ(GetFocus(), Of(编辑框3));
  PostMessageA(GetFocus(), WM_CHAR, 'q', 1);
  Drain();
  EXPECT_EQ(GetText(编辑框3).str(), "q");
  Press(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Of(编辑框4));
}

TEST_F(Window, EscapeClosesTheWindowFromAnyControl) {
  SetFocus(Of(按钮3));
  Press(GetFocus(), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(win32::MainWindowHandle(), nullptr);
  EXPECT_TRUE(TakeQuit());
}

TEST_F(Window, FocusComesBackAfterDeactivation) {
  SetFocus(Of(编辑框6));
  SendMessageA(window_, WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(nullptr);
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), Of(编辑框6));
}

// Where the caret is; the box counts in characters or in bytes.
bool CaretAtTheEnd(HWND box) {
  DWORD start = 0, end = 0;
  SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  auto characters = static_cast<DWORD>(GetWindowTextW(box, wide.data(), static_cast<int>(wide.size())));
  auto bytes = static_cast<DWORD>(GetWindowTextLengthA(box));
  bool atEnd = start == end && (start == characters || start == bytes);
  if (!atEnd) {
    ADD_FAILURE() << "selection " << start << ".." << end << ", " << characters << " characters, "
                  << bytes << " bytes";
  }
  return atEnd;
}

TEST_F(Window, AppendTextWritesAtTheEndWhereverTheUserLeftTheCaret) {
  HWND box = Of(编辑框1);
  SetText(编辑框1, Ansi("abc\r\n羊def"));
  SendMessageA(box, EM_SETSEL, 1, 5);  // the user selected part of the text
  AppendText(编辑框1, Ansi("鸡\r\n"));
  EXPECT_EQ(Utf8(GetText(编辑框1)), "abc\r\n羊def鸡\r\n");
  EXPECT_TRUE(CaretAtTheEnd(box));
  // Nothing to add still moves the caret to the end.
  SendMessageA(box, EM_SETSEL, 0, 0);
  AppendText(编辑框1, "");
  EXPECT_TRUE(CaretAtTheEnd(box));
  EXPECT_EQ(Utf8(GetText(编辑框1)), "abc\r\n羊def鸡\r\n");
  // Appended text cannot be undone.
  EXPECT_FALSE(SendMessageA(box, EM_CANUNDO, 0, 0));
}

TEST_F(Window, ProcessPendingEventsLeavesTheQuitMessageQueued) {
  PostQuitMessage(7);
  ProcessPendingEvents();
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(Window, LookUpFindsAnIdInAListTheUserTyped) {
  SetFocus(Of(编辑框1));
  // Typed as keys: Enter makes the line end.
  TypeInto(Of(编辑框1), u"动物ID:7----鹅\r动物ID:8----羊\r");
  Drain();
  ASSERT_EQ(Utf8(GetText(编辑框1)), "动物ID:7----鹅\r\n动物ID:8----羊\r\n");
  Click(按钮2);
  EXPECT_EQ(GetText(编辑框5).str(), "8");
}

// 按钮4, 按钮2 and 按钮3 as a user clicks them, against the sample catalogue.
TEST_F(Window, FetchLookUpAndSaveTheSampleCatalogue) {
  Click(按钮4);
  EXPECT_EQ(GetText(编辑框4).str(), "22");
  EXPECT_NE(Utf8(GetText(编辑框1)).find("动物ID:1005----羊\r\n"), std::string::npos);
  Click(按钮2);
  EXPECT_EQ(GetText(编辑框5).str(), "1005");

  fs::path saved = testing::ExecutablePath().parent_path() / u8"动物ID.txt";
  fs::remove(saved);
  SeenBox seen;
  {
    DuringLoop closer(CloseBoxNoting(seen));
    Click(按钮3);
  }
  EXPECT_EQ(seen.caption, "信息：");
  EXPECT_EQ(seen.text, "动物ID已经成功保存在当前运行目录下！");
  EXPECT_TRUE(seen.buttonSkinned) << "the box's OK button is skinned too";
  ASSERT_TRUE(fs::exists(saved));
  std::ifstream in(saved, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  EXPECT_EQ(bytes, GetText(编辑框1).str());
  EXPECT_NE(bytes.find("\xB6\xAF\xCE\xEFID:1005----\xD1\xF2\r\n"), std::string::npos)
      << "code page 936 bytes";
  fs::remove(saved);
}

TEST_F(Window, InfoBoxIsCaptionedAndReturnsZeroForOk) {
  SeenBox seen;
  int result;
  {
    DuringLoop closer(CloseBoxNoting(seen));
    result = ShowInfoBox(Ansi("你好"));
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen.caption, "信息：");
  EXPECT_EQ(seen.text, "你好");
}

// A second click on 按钮4 during a slow download runs a whole fetch, whose
// lines come first; the busy cursor holds until the outer one ends.
TEST_F(Window, ANestedFetchRunsInsideTheSlowOneWithTheBusyCursor) {
  fs::path root = testing::MakeTemporaryDirectory("animal-ids-nested-");
  std::ofstream(root / "animal_v_115.xml", std::ios::binary)
      << "<animals><animal id=\"1005\" name=\"羊\" price=\"1\"></animal></animals>";
  std::ofstream(root / "animal_v_116.xml", std::ios::binary)
      << "<animals><animal id=\"2001\" name=\"新兔\" price=\"1\"></animal></animals>";
  testing::TestServer server(root.string());
  SetCatalogueServer(Text(server.Base() + "/b/drip=4:0.02"));
  int deepest = 0;
  bool busyCursor = false;
  bool clicked = false;
  DuringLoop watcher([&] {
    deepest = std::max(deepest, win32::BusyDepth());
    if (win32::BusyDepth() > 0) {
      SendMessageA(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      busyCursor = busyCursor || GetCursor() == LoadCursorA(nullptr, MAKEINTRESOURCEA(32650));
    }
    if (!clicked && win32::BusyDepth() == 1) {
      clicked = true;
      SetText(编辑框6, "116");
      PostMessageA(Of(按钮4), BM_CLICK, 0, 0);
    }
    return false;
  });
  Click(按钮4);
  EXPECT_EQ(deepest, 2);
  EXPECT_TRUE(busyCursor);
  EXPECT_EQ(win32::BusyDepth(), 0);
  EXPECT_EQ(Utf8(GetText(编辑框1)), "动物ID:2001----新兔\r\n动物ID:1005----羊\r\n");
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

TEST_F(Window, ClosingDuringADownloadAbandonsItAtOnce) {
  SetCatalogueServer(Text(server_->Base() + "/b/drip=1:5"));
  Clock::time_point closed{};
  DuringLoop closer([&] {
    if (win32::BusyDepth() == 0) return false;
    closed = Clock::now();
    PostMessageA(window_, WM_CLOSE, 0, 0);
    return true;
  });
  Click(按钮4);
  auto after = Clock::now() - closed;
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_LT(after, std::chrono::seconds(1));
  EXPECT_EQ(GetText(编辑框1), Text()) << "no control is left to read";
  EXPECT_TRUE(TakeQuit());
}

// The program itself, started with the arguments, and its main window.
struct RunningProgram {
  PROCESS_INFORMATION info{};
  HWND window = nullptr;
  explicit RunningProgram(const std::string& args) {
    std::string command = "\"" ANIMAL_IDS_PROGRAM "\" " + args;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      return;
    }
    WaitForInputIdle(info.hProcess, 10000);
    for (int tries = 0; tries < 500 && !window; ++tries) {
      EnumWindows(
          [](HWND candidate, LPARAM out) {
            auto* self = reinterpret_cast<RunningProgram*>(out);
            DWORD process = 0;
            GetWindowThreadProcessId(candidate, &process);
            if (process != self->info.dwProcessId ||
                ClassOf(candidate) != "AnimalIdsMainWindow") {
              return TRUE;
            }
            self->window = candidate;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(this));
      if (!window) Sleep(20);
    }
  }
  ~RunningProgram() {
    if (!info.hProcess) return;
    if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  HWND ControlOf(Control control) const {
    return GetDlgItem(window, 1000 + static_cast<int>(control));
  }
  // A control's text, asked of the program (GetWindowText does not ask another process).
  std::string TextOf(Control control) const {
    char text[64] = {};
    DWORD_PTR ignored;
    SendMessageTimeoutA(ControlOf(control), WM_GETTEXT, sizeof text,
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
  }
};

// The program itself, closed while its download runs, ends at once with code 0.
TEST(Program, ClosedDuringADownloadEndsWithinASecond) {
  testing::TestServer server;
  RunningProgram program("--server " + server.Base() + "/b/drip=1:5");
  ASSERT_TRUE(program.window);
  PostMessageA(program.ControlOf(按钮4), BM_CLICK, 0, 0);
  Sleep(500);  // the download has begun and waits for its first byte
  auto closed = Clock::now();
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  DWORD waited = WaitForSingleObject(program.info.hProcess, 10000);
  auto took = Clock::now() - closed;
  DWORD code = 1;
  GetExitCodeProcess(program.info.hProcess, &code);
  EXPECT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(code, 0u);
  EXPECT_LT(took, std::chrono::seconds(1));
}

// --data-version and --server reach the window: its fetch asks for that version there.
TEST(Program, TakesTheDataVersionAndServerIntoTheWindow) {
  fs::path root = testing::MakeTemporaryDirectory("animal-ids-version-");
  std::ofstream(root / "animal_v_116.xml", std::ios::binary)
      << "<animals><animal id=\"2001\" name=\"新兔\" price=\"1\"></animal></animals>";
  testing::TestServer server(root.string());
  RunningProgram program("--data-version 116 --server " + server.Base());
  ASSERT_TRUE(program.window);
  EXPECT_EQ(program.TextOf(编辑框6), "116");
  PostMessageA(program.ControlOf(按钮4), BM_CLICK, 0, 0);
  std::string count;
  for (int tries = 0; tries < 250 && count.empty(); ++tries) {
    count = program.TextOf(编辑框4);
    if (count.empty()) Sleep(20);
  }
  EXPECT_EQ(count, "1") << "one animal listed from catalogue 116";
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  WaitForSingleObject(program.info.hProcess, 5000);
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

}  // namespace
}  // namespace animal_ids
