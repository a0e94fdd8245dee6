#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "text/files.h"

// The program without a window: its command-line face only.
int main(int argc, char** argv) {
  animal_ids::EstablishRunDirectory();
  std::vector<std::string> args(argv + 1, argv + argc);
  animal_ids::CommandLine commandLine = animal_ids::ParseCommandLine(args);
  if (commandLine.action == animal_ids::CommandLine::Action::kWindow) {
    std::fputs("animal-ids: this build has no window; use --list or --lookup NAME.\n\n", stderr);
  }
  return animal_ids::RunCommandLine(commandLine);
}
