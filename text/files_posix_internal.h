#pragma once

// What files_posix.cpp opens to its tests, which cannot move the test
// executable, and to the program's other POSIX pieces.

#include <optional>
#include <string>

namespace animal_ids::files_posix_internal {

// Takes the run directory from a native (UTF-8) executable path the way
// EstablishRunDirectory takes it from the process's own, without changing the
// current directory.
void TakeRunDirectoryFrom(const std::string& nativeExecutablePath);

// The process's own executable path, native bytes, however long; nothing when unreadable.
std::optional<std::string> ReadExecutablePath();

}  // namespace animal_ids::files_posix_internal
