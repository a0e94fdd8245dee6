#pragma once

// The skinned look of the thread's standard controls on Windows: push
// buttons drawn whole and flat edges on bordered edit boxes. EnableSkin
// (app/main_window.h) switches it; these let tests see what it did.

#include <windows.h>

namespace animal_ids::win32 {

// Whether the look is attached to this window (its procedure is the look's).
bool IsSkinned(HWND window);

// The scheme EnableSkin last stored, whether or not the look is on.
int SkinScheme();

// Whether the look is on: the hook that attaches it to new windows is installed.
bool SkinActive();

}  // namespace animal_ids::win32
