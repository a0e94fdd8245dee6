#pragma once

// How the command-line executable opens the window. The window lives in a
// program of its own beside it, so that listing on the terminal never loads
// the window's libraries. One backend per build: window_launch_exec.cpp
// (the window program next to this one) or window_launch_none.cpp (no window).

#include "app/command_line.h"

namespace animal_ids {

// Replaces this process by the window program with the same arguments;
// returns only when that cannot be done, with the exit code to end on,
// having said why on standard error.
int StartWindowProgram(char** argv, const CommandLine& commandLine);

}  // namespace animal_ids
