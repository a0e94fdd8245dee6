// The hyperlink control: it paints itself, becomes hot under the pointer
// (holding the capture to notice when the pointer leaves) and opens its
// target on a left button-down.

#include "app/hyperlink_win32.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/gdi_win32.h"
#include "app/look.h"

namespace animal_ids::win32 {
namespace {

enum class LinkKind { kWeb, kMail };

struct Link {
  LinkKind kind = LinkKind::kWeb;
  std::string webAddress;
  std::string mailAddress;
  bool hot = false;
  bool visited = false;
};

LinkOpener g_opener = OpenWithShell;

Link* LinkOf(HWND link) { return reinterpret_cast<Link*>(GetWindowLongPtrA(link, 0)); }

// The state of a window of the link class; null for any other window.
Link* CheckedLinkOf(HWND window) {
  char name[sizeof kHyperlinkClass + 1];
  if (GetClassNameA(window, name, sizeof name) <= 0 || lstrcmpiA(name, kHyperlinkClass) != 0) {
    return nullptr;
  }
  return LinkOf(window);
}

class RegistryKey {
 public:
  RegistryKey(HKEY root, const std::string& path) {
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The key's default value as a string, environment variables expanded.
std::string DefaultValueOf(HKEY root, const std::string& path) {
  RegistryKey key(root, path);
  DWORD type = 0, size = 0;
  if (!key.get() ||
      RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return {};
  }
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) return {};
  std::vector<char> value(size + 1, '\0');
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                       &size) != ERROR_SUCCESS) {
    return {};
  }
  std::string text(value.data());
  if (type == REG_EXPAND_SZ) {
    DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    std::vector<char> expanded(needed + 1, '\0');
    if (needed && ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed)) {
      text = expanded.data();
    }
  }
  return text;
}

std::string TextOf(HWND window) {
  std::string text(GetWindowTextLengthA(window) + 1, '\0');
  text.resize(GetWindowTextA(window, text.data(), static_cast<int>(text.size())));
  return text;
}

void Paint(HWND window, const Link& link, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  SetDCBrushColor(dc, RGB(kLinkBackground.red, kLinkBackground.green, kLinkBackground.blue));
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));

  std::string text = TextOf(window);
  if (text.empty()) text = link.kind == LinkKind::kWeb ? link.webAddress : link.mailAddress;
  Selection font(dc, GetStockObject(DEFAULT_GUI_FONT));
  Rgb colour = LinkTextColour(link.hot, link.visited);
  SetTextColor(dc, RGB(colour.red, colour.green, colour.blue));
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, text.c_str(), -1, &client,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
}

// Hot from the first movement over the link; the capture shows the movement
// that leaves it.
void TrackPointer(HWND window, Link& link, LPARAM position) {
  POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  RECT client;
  GetClientRect(window, &client);
  bool inside = PtInRect(&client, point);
  if (!link.hot && inside) {
    link.hot = true;
    SetCapture(window);
    InvalidateRect(window, nullptr, FALSE);
  } else if (link.hot && !inside && GetCapture() == window) {
    link.hot = false;
    ReleaseCapture();
    InvalidateRect(window, nullptr, FALSE);
  }
}

void Open(HWND window, Link& link) {
  std::string target = link.kind == LinkKind::kWeb ? link.webAddress
                       : link.mailAddress.empty()  ? std::string()
                                                   : "mailto:" + link.mailAddress;
  INT_PTR result = target.empty() ? 0 : g_opener(target.c_str());
  // Opening may let messages through, and the link may be gone afterwards.
  if (!IsWindow(window) || LinkOf(window) != &link) return;
  link.visited = result > 32;
  if (link.visited) InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK LinkProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto link = std::make_unique<Link>();
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    if (create->lpCreateParams) link->webAddress = static_cast<const char*>(create->lpCreateParams);
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(link.release()));
    return DefWindowProcA(window, message, wParam, lParam);
  }
  Link* link = LinkOf(window);
  if (!link) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, 0, 0);
      delete link;
      break;
    case WM_PAINT: {
      PaintDc dc(window);
      Paint(window, *link, dc.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(window, *link, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcA(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    case WM_MOUSEMOVE:
      TrackPointer(window, *link, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      // Someone else took the mouse: the pointer is no longer ours to follow.
      if (link->hot && reinterpret_cast<HWND>(lParam) != window) {
        link->hot = false;
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONDOWN:
      Open(window, *link);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterHyperlinkClass(HINSTANCE instance) {
  WNDCLASSEXA linkClass{};
  linkClass.cbSize = sizeof linkClass;
  linkClass.style = CS_HREDRAW | CS_VREDRAW;
  linkClass.lpfnWndProc = LinkProcedure;
  linkClass.cbWndExtra = sizeof(Link*);
  linkClass.hInstance = instance;
  linkClass.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(kHandCursor));
  if (!linkClass.hCursor) linkClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
  linkClass.lpszClassName = kHyperlinkClass;
  return RegisterClassExA(&linkClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

INT_PTR OpenWithShell(const char* target) {
  auto result =
      reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOW));
  if (result > 32) return result;
  std::string command = HtmBrowserCommand(HKEY_CLASSES_ROOT);
  if (command.empty()) return result;
  return WinExec(BrowserCommandLine(command, target).c_str(), SW_SHOW);
}

LinkOpener SetLinkOpener(LinkOpener opener) {
  LinkOpener previous = g_opener;
  g_opener = opener ? opener : OpenWithShell;
  return previous;
}

std::string HtmBrowserCommand(HKEY classesRoot) {
  std::string type = DefaultValueOf(classesRoot, ".htm");
  if (type.empty()) return {};
  return DefaultValueOf(classesRoot, type + "\\shell\\open\\command");
}

std::string BrowserCommandLine(const std::string& command, const std::string& target) {
  std::string line = command;
  bool placed = false;
  for (size_t at = line.find("%1"); at != std::string::npos; at = line.find("%1", at)) {
    line.replace(at, 2, target);
    at += target.size();
    placed = true;
  }
  return placed ? line : line + " " + target;
}

void SetLinkMailAddress(HWND window, const char* address) {
  if (Link* link = CheckedLinkOf(window)) {
    link->kind = LinkKind::kMail;
    link->mailAddress = address ? address : "";
    InvalidateRect(window, nullptr, FALSE);
  }
}

bool IsLinkHot(HWND window) {
  const Link* link = CheckedLinkOf(window);
  return link && link->hot;
}

bool IsLinkVisited(HWND window) {
  const Link* link = CheckedLinkOf(window);
  return link && link->visited;
}

}  // namespace animal_ids::win32
