#pragma once

// The hyperlink control on Windows: a self-drawn window that shows its
// caption in the link colours and opens its web address on a click.
// Created with CreateWindowExA(0, kHyperlinkClass, caption, WS_CHILD |
// WS_VISIBLE, ..., instance, address), the address an ANSI C string.

#include <windows.h>

#include <string>

namespace animal_ids::win32 {

inline constexpr char kHyperlinkClass[] = "AnimalIdsHyperlink";

// The resource id of the pointing hand the link shows over itself.
inline constexpr int kHandCursor = 1032;

// Registers the class once per process; the hand cursor comes from instance.
bool RegisterHyperlinkClass(HINSTANCE instance);

// Opens a target and returns the shell's result: above 32 means it opened.
using LinkOpener = INT_PTR (*)(const char* target);

// The shell's "open" verb, then the browser registered for ".htm" files.
INT_PTR OpenWithShell(const char* target);

// Replaces how links open (tests keep the browser shut); returns the one before.
LinkOpener SetLinkOpener(LinkOpener opener);

// The open command of the ".htm" browser under a classes root (normally
// HKEY_CLASSES_ROOT), environment variables expanded; empty when it is unset.
std::string HtmBrowserCommand(HKEY classesRoot);

// The command with the target in place of "%1", or after it when it has none.
std::string BrowserCommandLine(const std::string& command, const std::string& target);

// Turns the link into a mail link ("mailto:" + address).
void SetLinkMailAddress(HWND link, const char* address);

// Pointer over the link, and whether its last open succeeded.
bool IsLinkHot(HWND link);
bool IsLinkVisited(HWND link);

}  // namespace animal_ids::win32

namespace animal_ids {
using win32::kHyperlinkClass;
using win32::RegisterHyperlinkClass;
}  // namespace animal_ids
