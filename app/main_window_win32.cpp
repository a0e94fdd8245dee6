#include "app/main_window_win32.h"

#include <array>
#include <string>

#include "app/gdi_win32.h"
#include "app/headless_window.h"
#include "app/hyperlink_win32.h"
#include "app/look.h"
#include "app/main_window.h"
#include "app/window_layout.h"
#include "catalogue/catalogue.h"
#include "web/codepage.h"

// MainWindow on Win32: a fixed dialog-framed window whose twelve controls
// come from the shared description table. The handlers run on this thread;
// while a download waits, ProcessPendingEvents lets other messages in, so a
// click may run a handler nested inside another, and a close may destroy the
// window under a paused handler: every control operation then does nothing.

namespace animal_ids {
namespace win32 {
namespace {

constexpr char kMainWindowClass[] = "AnimalIdsMainWindow";
constexpr char kLabelClass[] = "AnimalIdsLabel";
constexpr int kFirstControlId = 1000;
constexpr size_t kControlCount = 12;

// The window's background, kept for the process's lifetime.
HBRUSH BackgroundBrush() {
  static SolidBrush brush(kWindowBackground);
  return brush.get();
}

HFONT GuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

struct WindowState {
  HWND main = nullptr;
  bool created = false;  // a window was made: the controls in memory are no longer used
  std::array<HWND, kControlCount> controls{};
  HWND lastFocus = nullptr;
  int busy = 0;
  HINSTANCE instance = nullptr;
};

WindowState& State() {
  static WindowState state;
  return state;
}

size_t IndexOf(Control control) { return static_cast<size_t>(control); }

// The control a window is, if it is one of MainWindow's.
const ControlDescription* DescriptionOfWindow(HWND window) {
  for (const ControlDescription& d : MainWindowControls()) {
    if (State().controls[IndexOf(d.control)] == window) return &d;
  }
  return nullptr;
}

// Selects an object into a DC for a scope.
std::string WindowText(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int got = GetWindowTextA(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

// The labels draw themselves: background colour, black text, the stock GUI font.
LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintDc dc(window);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc.get(), &client, BackgroundBrush());
      Selection font(dc.get(), GuiFont());
      SetBkMode(dc.get(), TRANSPARENT);
      SetTextColor(dc.get(), ToColorRef(kLabelText));
      const ControlDescription* d = DescriptionOfWindow(window);
      UINT flags = DT_NOCLIP | DT_VCENTER | DT_LEFT;
      flags |= d && d->wordWrap ? DT_WORDBREAK : DT_SINGLELINE;
      std::string text = WindowText(window);
      DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &client, flags);
      return 0;
    }
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcA(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool IsOurs(HWND window) {
  HWND main = State().main;
  return main && window && (window == main || IsChild(main, window));
}

bool TakesFocus(HWND window) { return window && IsWindowVisible(window) && IsWindowEnabled(window); }

// The next control of the tab order after the one with the focus, wrapping round.
HWND NextInTabOrder(HWND from, bool backwards) {
  auto order = MainWindowTabOrder();
  const int count = static_cast<int>(order.size());
  int at = -1;
  for (int i = 0; i < count; ++i) {
    HWND control = State().controls[IndexOf(order[static_cast<size_t>(i)])];
    if (control == from || (control && IsChild(control, from))) at = i;
  }
  for (int step = 1; step <= count; ++step) {
    int i = at < 0 ? (backwards ? count - step : step - 1)
                   : ((at + (backwards ? -step : step)) % count + count) % count;
    HWND control = State().controls[IndexOf(order[static_cast<size_t>(i)])];
    if (TakesFocus(control)) return control;
  }
  return nullptr;
}

void FocusFirstControl() {
  HWND target = State().lastFocus;
  if (!target || !IsOurs(target) || !TakesFocus(target)) target = NextInTabOrder(nullptr, false);
  if (target) SetFocus(target);
}

HCURSOR BusyCursor() { return LoadCursorA(nullptr, MAKEINTRESOURCEA(32650)); }  // IDC_APPSTARTING

// Shows the cursor the busy state asks for at once, when the pointer is over the window.
void RefreshCursor() {
  POINT point;
  if (!GetCursorPos(&point)) return;
  HWND under = WindowFromPoint(point);
  if (!IsOurs(under)) return;
  LRESULT hit = SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
  SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
               MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

// Runs a button's handler; a download shows the working-in-background cursor meanwhile.
void RunHandler(Control button) {
  WindowState& state = State();
  switch (button) {
    case Control::按钮4:
      ++state.busy;
      RefreshCursor();
      FetchAnimalIds();
      --state.busy;
      RefreshCursor();
      break;
    case Control::按钮3:
      SaveAnimalList();
      break;
    case Control::按钮2:
      LookupAnimalId();
      break;
    default:
      break;
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowState& state = State();
  switch (message) {
    case WM_COMMAND: {
      if (HIWORD(wParam) != BN_CLICKED) break;
      int index = LOWORD(wParam) - kFirstControlId;
      if (index < 0 || index >= static_cast<int>(kControlCount)) break;
      RunHandler(static_cast<Control>(index));
      return 0;
    }
    case WM_CTLCOLORBTN:
      // The corners outside a button's rounded outline show the window's background.
      return reinterpret_cast<LRESULT>(BackgroundBrush());
    case WM_SETCURSOR:
      if (state.busy > 0) {
        SetCursor(BusyCursor());
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (IsOurs(focus) && focus != window) state.lastFocus = focus;
      } else if (!HIWORD(wParam)) {
        FocusFirstControl();
      }
      return 0;
    case WM_SETFOCUS:
      FocusFirstControl();
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (state.main == window) {
        state.main = nullptr;
        state.controls.fill(nullptr);
        state.lastFocus = nullptr;
      }
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The edit box's style bits from its description.
DWORD EditStyle(const ControlDescription& d) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  style |= d.align == Align::kCenter ? ES_CENTER : ES_LEFT;
  if (d.multiLine) {
    style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (d.verticalScrollBar) style |= WS_VSCROLL;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  return style;
}

// A single-line box is at least one line of its font (measured on "吴") and its edges high.
int EditHeight(const ControlDescription& d, HWND parent) {
  if (d.multiLine) return d.height;
  WindowDc dc(parent);
  Selection font(dc.get(), GuiFont());
  Text sample = AnsiFromUtf8("吴");
  SIZE size{};
  GetTextExtentPoint32A(dc.get(), sample.c_str(), sample.size(), &size);
  int least = size.cy + 2 * GetSystemMetrics(SM_CYEDGE);
  return d.height > least ? d.height : least;
}

HWND CreateControl(const ControlDescription& d, HWND parent, HINSTANCE instance) {
  Text text = AnsiFromUtf8(d.initialText);
  auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + IndexOf(d.control)));
  HWND control = nullptr;
  switch (d.kind) {
    case ControlKind::kEditBox:
      control = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", text.c_str(), EditStyle(d), d.left,
                                d.top, d.width, EditHeight(d, parent), parent, id, instance,
                                nullptr);
      if (control) {
        SendMessageA(control, EM_LIMITTEXT, 0, 0);
        SendMessageA(control, EM_SETSEL, 0, 0);
      }
      break;
    case ControlKind::kButton:
      control = CreateWindowExA(
          0, "BUTTON", text.c_str(),
          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE,
          d.left, d.top, d.width, d.height, parent, id, instance, nullptr);
      break;
    case ControlKind::kLabel:
      control = CreateWindowExA(0, kLabelClass, text.c_str(), WS_CHILD | WS_VISIBLE, d.left, d.top,
                                d.width, d.height, parent, id, instance, nullptr);
      break;
    case ControlKind::kHyperLinker:
      control = CreateWindowExA(0, kHyperlinkClass, text.c_str(), WS_CHILD | WS_VISIBLE, d.left,
                                d.top, d.width, d.height, parent, id, instance,
                                const_cast<char*>(DownloadPageUrl()));
      break;
  }
  if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
  return control;
}

HICON LoadProgramIcon(HINSTANCE instance, int size) {
  return static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, size, size, 0));
}

}  // namespace

bool RegisterWindowClasses(HINSTANCE instance) {
  State().instance = instance;
  WNDCLASSEXA main{};
  main.cbSize = sizeof main;
  main.lpfnWndProc = MainWindowProc;
  main.hInstance = instance;
  main.hIcon = LoadProgramIcon(instance, 32);
  main.hIconSm = LoadProgramIcon(instance, 16);
  main.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  main.hbrBackground = BackgroundBrush();
  main.lpszClassName = kMainWindowClass;

  WNDCLASSEXA label{};
  label.cbSize = sizeof label;
  label.lpfnWndProc = LabelProc;
  label.hInstance = instance;
  label.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  label.lpszClassName = kLabelClass;

  return RegisterClassExA(&main) && RegisterClassExA(&label) && RegisterHyperlinkClass(instance);
}

HWND CreateMainWindow(HINSTANCE instance, int show) {
  WindowState& state = State();
  const WindowDescription& w = MainWindowDescription();
  // Centred on the primary screen; a screen smaller than the window puts an edge off it.
  int left = (GetSystemMetrics(SM_CXSCREEN) - w.outerWidth) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - w.outerHeight) / 2;
  Text caption = AnsiFromUtf8(w.caption);
  HWND window = CreateWindowExA(0, kMainWindowClass, caption.c_str(),
                                WS_CAPTION | WS_DLGFRAME | WS_CLIPCHILDREN | WS_SYSMENU, left, top,
                                w.outerWidth, w.outerHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  RECT rect;
  GetWindowRect(window, &rect);
  if (rect.right - rect.left != w.outerWidth || rect.bottom - rect.top != w.outerHeight) {
    MoveWindow(window, rect.left, rect.top, w.outerWidth, w.outerHeight, FALSE);
  }
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadProgramIcon(instance, 32)));
  SendMessageA(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadProgramIcon(instance, 16)));
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);

  state.main = window;
  state.created = true;
  state.lastFocus = nullptr;
  state.controls.fill(nullptr);
  // Created and stacked top first, as the table lists them.
  HWND above = HWND_TOP;
  for (const ControlDescription& d : MainWindowControls()) {
    HWND control = CreateControl(d, window, instance);
    if (!control) {
      DestroyWindow(window);
      return nullptr;
    }
    state.controls[IndexOf(d.control)] = control;
    SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = control;
  }
  // The window's created handler: every control exists, and is skinned,
  // before the window is first painted.
  EnableSkin(3);
  ShowWindow(window, show);
  UpdateWindow(window);
  return window;
}

HWND MainWindowHandle() { return State().main; }

HWND ControlWindow(Control control) {
  size_t index = IndexOf(control);
  return index < kControlCount ? State().controls[index] : nullptr;
}

void HandleMessage(MSG& message) {
  WindowState& state = State();
  if (message.message == WM_KEYDOWN && IsOurs(message.hwnd)) {
    bool control = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    if (message.wParam == VK_TAB && !control) {
      bool backwards = GetKeyState(VK_SHIFT) < 0;
      if (HWND next = NextInTabOrder(GetFocus(), backwards)) SetFocus(next);
      return;
    }
    if (message.wParam == VK_ESCAPE && !control) {
      SendMessageA(state.main, WM_CLOSE, 0, 0);
      return;
    }
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

int RunMessageLoop() {
  MSG message{};
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    HandleMessage(message);
  }
  return static_cast<int>(message.wParam);
}

int BusyDepth() { return State().busy; }

}  // namespace win32

using win32::State;

Text GetText(Control control) {
  if (!State().created) return headless::GetText(control);
  HWND window = win32::ControlWindow(control);
  if (!window) return Text();
  return Text(win32::WindowText(window));
}

void SetText(Control control, const Text& text) {
  if (!State().created) return headless::SetText(control, text);
  HWND window = win32::ControlWindow(control);
  if (!window) return;
  SetWindowTextA(window, text.c_str());
  UpdateWindow(window);
}

void AppendText(Control editBox, const Text& text) {
  if (!State().created) return headless::AppendText(editBox, text);
  HWND window = win32::ControlWindow(editBox);
  if (!window) return;
  // The length in bytes, asked of the box rather than read from its text.
  LPARAM end = GetWindowTextLengthA(window);
  SendMessageA(window, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageA(window, EM_SCROLLCARET, 0, 0);
  SendMessageA(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void ProcessPendingEvents() {
  if (!State().created) return headless::ProcessPendingEvents();
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    if (message.message == WM_QUIT) return;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
    // Another thread's quit may have come first after all: it stays queued.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    win32::HandleMessage(message);
  }
}

int ShowInfoBox(const Text& text, int buttons, const Text& title) {
  if (!State().created) return headless::ShowInfoBox(text, buttons, title);
  // A handler that resumes after the window was closed tells nobody anything.
  if (!State().main) return 0;
  Text caption = title.empty() ? AnsiFromUtf8("信息：") : title;
  UINT type = static_cast<UINT>(buttons);
  if (!(type & MB_SYSTEMMODAL)) type |= MB_TASKMODAL;
  switch (MessageBoxA(nullptr, text.c_str(), caption.c_str(), type)) {
    case IDCANCEL: return 1;
    case IDABORT: return 2;
    case IDRETRY: return 3;
    case IDIGNORE: return 4;
    case IDYES: return 5;
    case IDNO: return 6;
    default: return 0;
  }
}

}  // namespace animal_ids
