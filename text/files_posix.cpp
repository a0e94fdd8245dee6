#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "text/files.h"
#include "text/files_posix_internal.h"

namespace animal_ids {

namespace {

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() {
    if (valid()) ::close(descriptor_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  bool valid() const { return descriptor_ >= 0; }
  int get() const { return descriptor_; }

  // Closes now, so that the caller learns whether the close failed. On Linux the descriptor
  // is released even when close is interrupted, so EINTR is not a failure.
  bool Close() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return ::close(descriptor) == 0 || errno == EINTR;
  }

 private:
  int descriptor_;
};

// The length of the UTF-8 sequence at bytes, well formed or not, which one '?' replaces.
std::size_t Utf8SequenceLength(const char* bytes, std::size_t available) {
  std::size_t length = 1;
  while (length < available && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

// Converts between two encodings. With substitute, each sequence that the source does not
// define or the target cannot hold becomes '?' (the source must then be UTF-8); without it,
// such a sequence makes the conversion fail.
std::optional<std::string> Convert(std::string_view input, const char* to, const char* from,
                                   bool substitute) {
  IconvHandle converter(to, from);
  if (!converter.valid()) return std::nullopt;
  std::string output(input.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  std::size_t written = 0;
  while (inLeft > 0) {
    char* out = output.data() + written;
    std::size_t outLeft = output.size() - written;
    const std::size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
    written = output.size() - outLeft;
    if (result != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) {
      output.resize(output.size() * 2);
    } else if ((errno == EILSEQ || errno == EINVAL) && substitute) {
      if (written == output.size()) output.resize(output.size() * 2);
      output[written++] = '?';
      const std::size_t skipped = Utf8SequenceLength(in, inLeft);
      in += skipped;
      inLeft -= skipped;
    } else {
      return std::nullopt;
    }
  }
  output.resize(written);
  return output;
}

struct RunDirectoryState {
  bool established = false;
  // The directory as the file system names it, and as the program's texts hold it.
  std::string native;
  Text text;
};

RunDirectoryState& State() {
  static RunDirectoryState state;
  return state;
}

const RunDirectoryState& EstablishedState() {
  RunDirectoryState& state = State();
  if (!state.established) {
    files_posix_internal::TakeRunDirectoryFrom(files_posix_internal::ReadExecutablePath().value_or(std::string()));
  }
  return state;
}

// A path of the program's texts as the file system names it. The run directory keeps its own
// bytes, so that a directory whose name code page 936 cannot hold is still found.
std::optional<std::string> NativePath(const Text& path) {
  const RunDirectoryState& state = EstablishedState();
  const std::string_view whole = path.view();
  const std::string_view directory = state.text.view();
  if (whole.starts_with(directory) &&
      (whole.size() == directory.size() || whole[directory.size()] == '/')) {
    std::optional<std::string> rest =
        Convert(whole.substr(directory.size()), "UTF-8", "CP936", false);
    if (!rest) return std::nullopt;
    return state.native + *rest;
  }
  return Convert(whole, "UTF-8", "CP936", false);
}

int OpenForWriting(const std::string& path) {
  int descriptor;
  do {
    descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (descriptor < 0 && errno == EINTR);
  return descriptor;
}

bool WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    // Nothing written for a non-empty request would only repeat forever.
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The saved list is renamed over the old one next, so its bytes must be on disk first. A file
// that cannot be synchronised at all (a device, a pipe) is not a failure.
bool SyncToDisk(int descriptor) {
  int result;
  do {
    result = ::fsync(descriptor);
  } while (result != 0 && errno == EINTR);
  return result == 0 || errno == EINVAL || errno == EROFS;
}

}  // namespace

namespace files_posix_internal {

// A buffer that comes back full may have cut the link.
std::optional<std::string> ReadExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void TakeRunDirectoryFrom(const std::string& nativeExecutablePath) {
  RunDirectoryState& state = State();
  const std::size_t separator = nativeExecutablePath.rfind('/');
  state.native =
      separator == std::string::npos ? std::string() : nativeExecutablePath.substr(0, separator);
  state.text = Text(Convert(state.native, "CP936", "UTF-8", true).value_or(std::string()));
  state.established = true;
}

}  // namespace files_posix_internal

void EstablishRunDirectory() {
  const std::optional<std::string> executable = files_posix_internal::ReadExecutablePath();
  files_posix_internal::TakeRunDirectoryFrom(executable.value_or(std::string()));
  if (!executable || executable->find('/') == std::string::npos) return;
  // The root directory's text is empty but the directory is still entered; when it cannot be
  // entered, start-up goes on in the current directory.
  const std::string& directory = State().native;
  [[maybe_unused]] const int ignored = ::chdir(directory.empty() ? "/" : directory.c_str());
}

Text RunDirectory() { return EstablishedState().text; }

bool WriteBytesToFile(const Text& path, std::initializer_list<Bytes> parts) {
  if (path.empty()) return false;
  const std::optional<std::string> native = NativePath(path);
  if (!native) return false;
  FileDescriptor file(OpenForWriting(*native));
  if (!file.valid()) return false;
  for (const Bytes& part : parts) {
    if (!WriteAll(file.get(), part.view())) return false;
  }
  if (!SyncToDisk(file.get())) return false;
  return file.Close();
}

bool ReplaceFile(const Text& source, const Text& target) {
  const std::optional<std::string> nativeSource = NativePath(source);
  const std::optional<std::string> nativeTarget = NativePath(target);
  if (!nativeSource || !nativeTarget) return false;
  return ::rename(nativeSource->c_str(), nativeTarget->c_str()) == 0;
}

bool RemoveFile(const Text& path) {
  const std::optional<std::string> native = NativePath(path);
  if (!native) return false;
  return ::unlink(native->c_str()) == 0;
}

}  // namespace animal_ids
