#pragma once

// The executable's directory and file writing. One backend per platform:
// files_posix.cpp, files_win32.cpp.

#include <initializer_list>

#include "text/text.h"

namespace animal_ids {

// Takes the executable's path, keeps its directory for the process's
// lifetime and makes it the current directory. Called first at start-up.
void EstablishRunDirectory();

// The executable's directory without a trailing separator.
Text RunDirectory();

// Creates or truncates the file and writes the parts in order; true when
// every byte was written and the file closed.
bool WriteBytesToFile(const Text& path, std::initializer_list<Bytes> parts);

// Replaces target with source in one step; false leaves target as it was.
bool ReplaceFile(const Text& source, const Text& target);

// Removes the file; false when it could not be removed.
bool RemoveFile(const Text& path);

}  // namespace animal_ids
