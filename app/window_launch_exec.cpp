#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/window_launch.h"
#include "text/files_posix_internal.h"

namespace animal_ids {
namespace {

constexpr const char* kWindowProgram = "animal-ids-window";

// The window program's path: this executable's directory, by its own bytes.
std::string WindowProgramPath() {
  std::string path = files_posix_internal::ReadExecutablePath().value_or(std::string());
  path.resize(path.rfind('/') + 1);
  return path + kWindowProgram;
}

}  // namespace

int StartWindowProgram(char** argv, const CommandLine&) {
  const std::string path = WindowProgramPath();
  ::execv(path.c_str(), argv);
  const int error = errno;
  std::fprintf(stderr, "animal-ids: cannot start the window program %s: %s\n", path.c_str(),
               std::strerror(error));
  return 1;
}

}  // namespace animal_ids
