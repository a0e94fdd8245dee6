#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/window_launch.h"

namespace animal_ids {
namespace {

constexpr const char* kWindowProgram = "animal-ids-window";

// The window program's path: this executable's directory, by its own bytes.
std::string WindowProgramPath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return kWindowProgram;
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.rfind('/') + 1);
  return buffer + kWindowProgram;
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
