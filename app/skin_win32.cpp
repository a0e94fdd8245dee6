// The skinned look: every window of a supported class gets the look's
// procedure in front of its own, which the look keeps in a window property
// and gives back when it is switched off or the window goes away.

#include "app/skin_win32.h"

#include <memory>
#include <optional>
#include <string>

#include "app/gdi_win32.h"
#include "app/look.h"
#include "app/main_window.h"

namespace animal_ids {
namespace {

using win32::PaintDc;
using win32::Selection;
using win32::ToColorRef;
using win32::WindowDc;

constexpr char kSkinProperty[] = "animal_ids.skin";

enum class Kind { kButton, kEdit, kNative };

// What the look keeps for one window.
struct Skinned {
  WNDPROC previous = nullptr;
  Kind kind = Kind::kNative;
  bool attached = true;  // false while detached but still called by a procedure above it
  bool hot = false;      // pointer over the button, until WM_MOUSELEAVE
  bool quiet = false;    // the previous procedure's own drawing is being suppressed
};

int g_scheme = 0;
HHOOK g_hook = nullptr;

Skinned* SkinOf(HWND window) { return static_cast<Skinned*>(GetPropA(window, kSkinProperty)); }

Rgb FromColorRef(COLORREF colour) {
  return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

Rgb ButtonFaceColour() { return FromColorRef(GetSysColor(COLOR_BTNFACE)); }

SkinScheme CurrentScheme() { return SkinSchemeOf(g_scheme).value_or(*SkinSchemeOf(3)); }

// An off-screen copy of a target DC that is drawn whole and then copied, so
// the button never shows half a picture.
class MemoryCanvas {
 public:
  MemoryCanvas(HDC target, int width, int height)
      : target_(target),
        width_(width),
        height_(height),
        dc_(CreateCompatibleDC(target)),
        bitmap_(CreateCompatibleBitmap(target, width, height)),
        previous_(dc_ && bitmap_ ? SelectObject(dc_, bitmap_) : nullptr) {}
  ~MemoryCanvas() {
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;

  bool ok() const { return previous_ != nullptr; }
  HDC get() const { return dc_; }
  void CopyToTarget() const { BitBlt(target_, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY); }

 private:
  HDC target_;
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

void FillSolid(HDC dc, const RECT& area, Rgb colour) {
  SetDCBrushColor(dc, ToColorRef(colour));
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FrameSolid(HDC dc, const RECT& r, Rgb colour) {
  FillSolid(dc, {r.left, r.top, r.right, r.top + 1}, colour);
  FillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, colour);
  FillSolid(dc, {r.left, r.top, r.left + 1, r.bottom}, colour);
  FillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, colour);
}

// Drawn line by line: no msimg32 to link for GradientFill.
void FillVerticalGradient(HDC dc, const RECT& area, Rgb top, Rgb bottom) {
  int rows = area.bottom - area.top;
  auto mix = [rows](int from, int to, int row) {
    return rows > 1 ? from + (to - from) * row / (rows - 1) : from;
  };
  for (int row = 0; row < rows; ++row) {
    Rgb colour{mix(top.red, bottom.red, row), mix(top.green, bottom.green, row),
               mix(top.blue, bottom.blue, row)};
    FillSolid(dc, {area.left, area.top + row, area.right, area.top + row + 1}, colour);
  }
}

// A one-pixel outline whose corners are cut by one diagonal pixel.
void DrawRoundedOutline(HDC dc, int width, int height, Rgb colour) {
  FillSolid(dc, {2, 0, width - 2, 1}, colour);
  FillSolid(dc, {2, height - 1, width - 2, height}, colour);
  FillSolid(dc, {0, 2, 1, height - 2}, colour);
  FillSolid(dc, {width - 1, 2, width, height - 2}, colour);
  for (POINT corner :
       {POINT{1, 1}, POINT{width - 2, 1}, POINT{1, height - 2}, POINT{width - 2, height - 2}}) {
    FillSolid(dc, {corner.x, corner.y, corner.x + 1, corner.y + 1}, colour);
  }
}

std::optional<Kind> KindOf(HWND window) {
  char name[64];
  if (GetClassNameA(window, name, sizeof name) <= 0) return std::nullopt;
  if (lstrcmpiA(name, "Button") == 0) return Kind::kButton;
  if (lstrcmpiA(name, "Edit") == 0) return Kind::kEdit;
  for (const char* native : {"ComboBox", "ComboLBox", "msctls_updown32"}) {
    if (lstrcmpiA(name, native) == 0) return Kind::kNative;
  }
  return std::nullopt;
}

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrA(window, GWL_STYLE); }

// Only text push buttons are drawn by the look; the other kinds of "Button"
// keep their own drawing.
bool IsPushButton(HWND button) {
  LONG_PTR style = StyleOf(button);
  LONG_PTR type = style & BS_TYPEMASK;
  return (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) && !(style & (BS_BITMAP | BS_ICON));
}

ButtonState StateOf(HWND button, const Skinned& skin) {
  if (!IsWindowEnabled(button)) return ButtonState::kDisabled;
  LRESULT state = CallWindowProcA(skin.previous, button, BM_GETSTATE, 0, 0);
  if (state & BST_PUSHED) return ButtonState::kPressed;
  if (skin.hot) return ButtonState::kHot;
  if (GetFocus() == button || (StyleOf(button) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
    return ButtonState::kFocused;
  }
  return ButtonState::kNormal;
}

std::wstring WindowTextOf(HWND window) {
  std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
  text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  return text;
}

// The caption within area, aligned as the button's style asks. Single lines
// are centred by measuring them, since DT_VCENTER works only with DT_SINGLELINE.
void DrawCaption(HDC dc, HWND button, RECT area, bool pressed) {
  std::wstring caption = WindowTextOf(button);
  LONG_PTR style = StyleOf(button);
  UINT flags = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
  switch (style & BS_CENTER) {
    case BS_LEFT:
      flags |= DT_LEFT;
      break;
    case BS_RIGHT:
      flags |= DT_RIGHT;
      break;
    default:
      flags |= DT_CENTER;
      break;
  }
  RECT measured = area;
  DrawTextW(dc, caption.c_str(), -1, &measured, flags | DT_CALCRECT);
  int height = measured.bottom - measured.top;
  int top = area.top + (area.bottom - area.top - height) / 2;
  switch (style & BS_VCENTER) {
    case BS_TOP:
      top = area.top;
      break;
    case BS_BOTTOM:
      top = area.bottom - height;
      break;
    default:
      break;
  }
  RECT place{area.left, top, area.right, top + height};
  if (pressed) OffsetRect(&place, 1, 1);
  DrawTextW(dc, caption.c_str(), -1, &place, flags);
}

void PaintButton(HWND button, const Skinned& skin, HDC target) {
  RECT client;
  GetClientRect(button, &client);
  int width = client.right, height = client.bottom;
  if (width < 4 || height < 4) return;
  MemoryCanvas canvas(target, width, height);
  if (!canvas.ok()) return;
  HDC dc = canvas.get();

  // The corners outside the outline show what the parent paints behind buttons.
  HWND parent = GetParent(button);
  auto behind = parent ? reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORBTN,
                                                               reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(button)))
                       : nullptr;
  FillRect(dc, &client, behind ? behind : GetSysColorBrush(COLOR_BTNFACE));

  ButtonState state = StateOf(button, skin);
  ButtonFace face = ButtonFaceOf(state);
  bool disabled = state == ButtonState::kDisabled;
  FillVerticalGradient(dc, {1, 1, width - 1, height - 1}, face.top, face.bottom);
  DrawRoundedOutline(dc, width, height,
                     disabled ? Darker(ButtonFaceColour(), 32) : CurrentScheme().buttonOutline);

  auto font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
  Selection selectFont(dc, font ? font : GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(disabled ? kDisabledButtonCaption : kButtonCaption));
  DrawCaption(dc, button, {4, 3, width - 4, height - 3}, state == ButtonState::kPressed);

  if (!disabled && GetFocus() == button) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    RECT focus{3, 3, width - 3, height - 3};
    DrawFocusRect(dc, &focus);
  }
  canvas.CopyToTarget();
}

// Lets the previous procedure change the button's state with its own
// drawing switched off, then shows the new state in the look.
LRESULT CallQuietly(HWND button, UINT message, WPARAM wParam, LPARAM lParam, Skinned& skin) {
  bool hide = !skin.quiet && (StyleOf(button) & WS_VISIBLE);
  if (hide) {
    skin.quiet = true;
    CallWindowProcA(skin.previous, button, WM_SETREDRAW, FALSE, 0);
  }
  LRESULT result = CallWindowProcA(skin.previous, button, message, wParam, lParam);
  if (hide) {
    // The window may have been destroyed meanwhile, and its Skinned with it.
    if (!IsWindow(button) || SkinOf(button) != &skin) return result;
    CallWindowProcA(skin.previous, button, WM_SETREDRAW, TRUE, 0);
    skin.quiet = false;
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  return result;
}

LRESULT ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam, Skinned& skin) {
  if (!IsPushButton(button)) return CallWindowProcA(skin.previous, button, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PaintDc dc(button);
      PaintButton(button, skin, dc.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintButton(button, skin, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      if (!skin.hot) {
        skin.hot = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, button, 0};
        TrackMouseEvent(&track);
        InvalidateRect(button, nullptr, FALSE);
      }
      // Only a button holding the capture changes its pressed state on a move.
      if (GetCapture() != button) {
        return CallWindowProcA(skin.previous, button, message, wParam, lParam);
      }
      return CallQuietly(button, message, wParam, lParam, skin);
    case WM_MOUSELEAVE:
      skin.hot = false;
      InvalidateRect(button, nullptr, FALSE);
      return CallWindowProcA(skin.previous, button, message, wParam, lParam);
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
      return CallQuietly(button, message, wParam, lParam, skin);
    default:
      return CallWindowProcA(skin.previous, button, message, wParam, lParam);
  }
}

// The flat edge over the non-client border of a bordered edit box, in
// coordinates of the whole window.
void PaintEditEdge(HWND edit, HDC dc) {
  LONG_PTR style = StyleOf(edit), extended = GetWindowLongPtrA(edit, GWL_EXSTYLE);
  int thickness = ((extended & WS_EX_CLIENTEDGE) ? 2 : 0) + ((style & WS_BORDER) ? 1 : 0);
  if (thickness == 0 || !dc) return;
  RECT frame;
  GetWindowRect(edit, &frame);
  OffsetRect(&frame, -frame.left, -frame.top);

  bool enabled = IsWindowEnabled(edit);
  Rgb outer = enabled ? CurrentScheme().editEdge : Darker(ButtonFaceColour(), 32);
  Rgb inner = (!enabled || (style & ES_READONLY)) ? ButtonFaceColour()
                                                  : FromColorRef(GetSysColor(COLOR_WINDOW));
  FrameSolid(dc, frame, outer);
  for (int ring = 1; ring < thickness; ++ring) {
    InflateRect(&frame, -1, -1);
    FrameSolid(dc, frame, inner);
  }
}

LRESULT EditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, Skinned& skin) {
  if (message == WM_PRINT) {
    // The edit control leaves its client clipping on the caller's DC.
    auto dc = reinterpret_cast<HDC>(wParam);
    int saved = SaveDC(dc);
    LRESULT result = CallWindowProcA(skin.previous, edit, message, wParam, lParam);
    if (saved) RestoreDC(dc, saved);
    if (lParam & PRF_NONCLIENT) PaintEditEdge(edit, dc);
    return result;
  }
  LRESULT result = CallWindowProcA(skin.previous, edit, message, wParam, lParam);
  switch (message) {
    case WM_NCPAINT:
      // After the previous procedure, so its scroll bar is drawn as well.
      if (IsWindow(edit)) PaintEditEdge(edit, WindowDc(edit, WindowDc::Area::kWhole).get());
      break;
    case WM_ENABLE:
    case EM_SETREADONLY:
    case WM_STYLECHANGED:
      RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      break;
    default:
      break;
  }
  return result;
}

void Redraw(HWND window) {
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                   SWP_NOOWNERZORDER);
  RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK SkinProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Gives the window its own procedure back; when another procedure was put in
// front of the look's meanwhile, the look stays in the chain but steps aside.
void Detach(HWND window, bool redraw) {
  std::unique_ptr<Skinned> skin(SkinOf(window));
  if (!skin) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) != SkinProcedure) {
    skin->attached = false;
    skin.release();
    return;
  }
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(skin->previous));
  RemovePropA(window, kSkinProperty);
  if (redraw) Redraw(window);
}

void Attach(HWND window, bool redraw) {
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return;
  if (Skinned* present = SkinOf(window)) {
    if (!present->attached) {
      present->attached = true;
      if (redraw) Redraw(window);
    }
    return;
  }
  std::optional<Kind> kind = KindOf(window);
  if (!kind) return;
  auto skin = std::make_unique<Skinned>();
  skin->kind = *kind;
  skin->previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
  if (!skin->previous || !SetPropA(window, kSkinProperty, skin.get())) return;
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SkinProcedure));
  skin.release();
  if (redraw) Redraw(window);
}

LRESULT CALLBACK SkinProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Skinned* skin = SkinOf(window);
  if (!skin) return DefWindowProcA(window, message, wParam, lParam);
  WNDPROC previous = skin->previous;
  if (message == WM_NCDESTROY) {
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == SkinProcedure) {
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    RemovePropA(window, kSkinProperty);
    delete skin;
    return CallWindowProcA(previous, window, message, wParam, lParam);
  }
  if (skin->attached) {
    switch (skin->kind) {
      case Kind::kButton:
        return ButtonProcedure(window, message, wParam, lParam, *skin);
      case Kind::kEdit:
        return EditProcedure(window, message, wParam, lParam, *skin);
      case Kind::kNative:
        break;
    }
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

using WindowAction = void (*)(HWND);

BOOL CALLBACK ApplyToChild(HWND window, LPARAM action) {
  reinterpret_cast<WindowAction>(action)(window);
  return TRUE;
}

// EnumChildWindows reaches every descendant, not just the direct children.
BOOL CALLBACK ApplyToTopLevel(HWND window, LPARAM action) {
  reinterpret_cast<WindowAction>(action)(window);
  EnumChildWindows(window, ApplyToChild, action);
  return TRUE;
}

void ForEachThreadWindow(WindowAction action) {
  EnumThreadWindows(GetCurrentThreadId(), ApplyToTopLevel, reinterpret_cast<LPARAM>(action));
}

// Windows created while the look is on get it before they first paint.
LRESULT CALLBACK AttachOnCreate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == WM_CREATE) Attach(call->hwnd, false);
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

int SwitchOff() {
  if (!g_hook) return 0;
  ForEachThreadWindow([](HWND window) { Detach(window, true); });
  BOOL removed = UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  return removed;
}

}  // namespace

int EnableSkin(int scheme) {
  g_scheme = scheme;
  int off = SwitchOff();
  if (!SkinSchemeOf(scheme)) return off;
  ForEachThreadWindow([](HWND window) { Attach(window, true); });
  g_hook = SetWindowsHookExA(WH_CALLWNDPROC, AttachOnCreate, nullptr, GetCurrentThreadId());
  return 1;
}

namespace win32 {

bool IsSkinned(HWND window) {
  const Skinned* skin = SkinOf(window);
  return skin && skin->attached;
}

int SkinScheme() { return g_scheme; }

bool SkinActive() { return g_hook != nullptr; }

}  // namespace win32
}  // namespace animal_ids
