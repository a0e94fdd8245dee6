#include <malloc.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/window_launch.h"
#include "text/files.h"

// The program's command-line face; without --list or --lookup it opens the window.
int main(int argc, char** argv) {
  // The catalogue passes through a few whole-text copies of some megabytes
  // each; kept in the heap when freed, each one reuses the pages of one
  // before it instead of asking the system for fresh ones, which costs more
  // than the copying itself.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
  animal_ids::EstablishRunDirectory();
  std::vector<std::string> args(argv + 1, argv + argc);
  animal_ids::CommandLine commandLine = animal_ids::ParseCommandLine(args);
  if (commandLine.action == animal_ids::CommandLine::Action::kWindow) {
    return animal_ids::StartWindowProgram(argv, commandLine);
  }
  return animal_ids::RunCommandLine(commandLine);
}
