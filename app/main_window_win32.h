#pragma once

// What the Win32 window offers beyond the control operations: start-up and
// the tests create it and run its message loop through these.

#include <windows.h>

#include "app/main_window.h"

namespace animal_ids::win32 {

// Registers the window classes; called once before the first window.
bool RegisterWindowClasses(HINSTANCE instance);

// Creates MainWindow as start-up does: hidden, centred and forced to its
// outer size, its controls stacked, the skin switched on, then shown with
// the given show command. Null when it could not be created.
HWND CreateMainWindow(HINSTANCE instance, int show);

// The main window, null before it was created and after it was closed.
HWND MainWindowHandle();

// The control's window, null while there is no main window.
HWND ControlWindow(Control control);

// Handles one message as the main loop does: the window's own keys first
// (Tab, Shift+Tab, Esc), then translation and dispatch.
void HandleMessage(MSG& message);

// Runs the message loop until the quit message; returns its code.
int RunMessageLoop();

// How many downloads are running, nested ones included.
int BusyDepth();

}  // namespace animal_ids::win32
