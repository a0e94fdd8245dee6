#pragma once

// The program with its window: the Qt application, MainWindow and the
// event loop, up to the exit code.

#include <functional>

#include "app/command_line.h"

namespace animal_ids {

class MainWindowQt;

// Whether a display is there to open the window on (X11, Wayland, or a
// platform Qt was told to use).
bool HasDisplay();

// Runs the window until it is closed; returns the process's exit code.
// shown runs once the window is on screen (a test scripts the window there).
int RunWindowProgram(const char* programName, const CommandLine& commandLine,
                     const std::function<void(MainWindowQt&)>& shown = {});

}  // namespace animal_ids
