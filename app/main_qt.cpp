#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/window_program_qt.h"
#include "text/files.h"

// The program: the window, or its command-line face when asked for one.
int main(int argc, char** argv) {
  animal_ids::EstablishRunDirectory();
  std::vector<std::string> args(argv + 1, argv + argc);
  animal_ids::CommandLine commandLine = animal_ids::ParseCommandLine(args);
  if (commandLine.action != animal_ids::CommandLine::Action::kWindow) {
    return animal_ids::RunCommandLine(commandLine);
  }
  if (!animal_ids::HasDisplay()) {
    std::fputs(
        "animal-ids: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not "
        "set); use --list or --lookup NAME.\n\n",
        stderr);
    return animal_ids::RunCommandLine(commandLine);
  }
  return animal_ids::RunWindowProgram(argv[0], commandLine);
}
