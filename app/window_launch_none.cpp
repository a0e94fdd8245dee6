#include <cstdio>

#include "app/window_launch.h"

namespace animal_ids {

int StartWindowProgram(char**, const CommandLine& commandLine) {
  std::fputs("animal-ids: this build has no window; use --list or --lookup NAME.\n\n", stderr);
  return RunCommandLine(commandLine);
}

}  // namespace animal_ids
