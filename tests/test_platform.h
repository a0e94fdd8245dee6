#pragma once

// What the tests need of the platform beyond the standard library, one
// backend each: test_platform_posix.cpp, test_platform_win32.cpp.

#include <filesystem>
#include <string>
#include <vector>

namespace animal_ids::testing {

// The running test program's own file.
std::filesystem::path ExecutablePath();

// A new empty directory of the test's own under the system's temporary directory.
std::filesystem::path MakeTemporaryDirectory(const std::string& prefix);

struct ProgramRun {
  int code = -1;
  std::string out, err;
};

// Runs a program with the arguments (UTF-8) and no input, its output caught whole.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace animal_ids::testing
