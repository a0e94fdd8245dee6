#pragma once

// The command-line face of the program: --list and --lookup run the
// handlers on the headless window and print what the window would show.

#include <string>
#include <vector>

namespace animal_ids {

struct CommandLine {
  enum class Action { kWindow, kList, kLookup, kHelp, kVersion, kUsageError };
  Action action = Action::kWindow;
  std::string name;         // --lookup, UTF-8
  std::string dataVersion;  // --data-version, UTF-8; empty keeps the window's default
  bool hasDataVersion = false;
  std::string server;   // --server, empty for the built-in host
  std::string problem;  // what is wrong, for kUsageError
};

// Reads the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending in a line end.
std::string UsageText();

// Runs any action but kWindow on the headless window; returns the exit code
// (0 done, 1 the job failed, 2 a usage error).
int RunCommandLine(const CommandLine& commandLine);

// Sets the catalogue server and the data version the command line names, for
// the command line and the window alike.
void ApplyCatalogueOptions(const CommandLine& commandLine);

}  // namespace animal_ids
