#include <windows.h>
// The system's ReplaceFile macro would rename the program's own.
#undef ReplaceFile

#include <optional>
#include <string>
#include <string_view>

#include "text/files.h"

// The run directory and file writing on Windows. Paths travel as the
// program's ANSI texts; the file system is reached through the wide
// functions, so that a directory whose name the code page cannot hold, or
// one deeper than MAX_PATH, still works.

namespace animal_ids {
namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

  // Closes now, so that the caller learns whether the close failed.
  bool Close() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

std::wstring WideFromAnsi(std::string_view text, bool& ok) {
  ok = true;
  if (text.empty()) return {};
  int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                                  static_cast<int>(text.size()), nullptr, 0);
  if (units <= 0) {
    ok = false;
    return {};
  }
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      wide.data(), units);
  return wide;
}

std::string AnsiFromWidePath(const std::wstring& wide) {
  if (wide.empty()) return {};
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                  0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), bytes,
                      nullptr, nullptr);
  return out;
}

struct RunDirectoryState {
  bool established = false;
  std::wstring native;  // as the file system names it, without a trailing separator
  Text text;            // as the program's texts hold it
};

RunDirectoryState& State() {
  static RunDirectoryState state;
  return state;
}

// The whole module path, however long: a buffer that comes back full may have cut it.
std::wstring ModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void TakeRunDirectory() {
  RunDirectoryState& state = State();
  std::wstring path = ModulePath();
  size_t separator = path.find_last_of(L"\\/");
  state.native = separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
  state.text = Text(AnsiFromWidePath(state.native));
  state.established = true;
}

const RunDirectoryState& EstablishedState() {
  if (!State().established) TakeRunDirectory();
  return State();
}

// A path of the program's texts as the file system names it; the run
// directory keeps its own units. Long paths take the "\\?\" form, which
// wants backslashes only.
std::optional<std::wstring> NativePath(const Text& path) {
  const RunDirectoryState& state = EstablishedState();
  std::string_view whole = path.view();
  std::string_view directory = state.text.view();
  std::wstring native;
  bool ok = true;
  if (!directory.empty() && whole.starts_with(directory) &&
      (whole.size() == directory.size() || whole[directory.size()] == '/' ||
       whole[directory.size()] == '\\')) {
    native = state.native + WideFromAnsi(whole.substr(directory.size()), ok);
  } else {
    native = WideFromAnsi(whole, ok);
  }
  if (!ok || native.empty()) return std::nullopt;
  for (wchar_t& unit : native) {
    if (unit == L'/') unit = L'\\';
  }
  bool absolute = native.size() > 2 && native[1] == L':' && native[2] == L'\\';
  if (absolute && native.size() >= MAX_PATH - 12) native = L"\\\\?\\" + native;
  return native;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

void EstablishRunDirectory() {
  TakeRunDirectory();
  const std::wstring& directory = State().native;
  if (directory.empty()) return;
  // A drive's root keeps its separator; when the directory cannot be
  // entered, start-up goes on in the current directory.
  std::wstring enter = directory.back() == L':' ? directory + L"\\" : directory;
  SetCurrentDirectoryW(enter.c_str());
}

Text RunDirectory() { return EstablishedState().text; }

bool WriteBytesToFile(const Text& path, std::initializer_list<Bytes> parts) {
  std::optional<std::wstring> native = NativePath(path);
  if (!native) return false;
  FileHandle file(CreateFileW(native->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  for (const Bytes& part : parts) {
    if (!WriteAll(file.get(), part.view())) return false;
  }
  // The saved list is moved over the old one next, so its bytes must be on disk first.
  if (!FlushFileBuffers(file.get())) return false;
  return file.Close();
}

bool ReplaceFile(const Text& source, const Text& target) {
  std::optional<std::wstring> from = NativePath(source);
  std::optional<std::wstring> to = NativePath(target);
  if (!from || !to) return false;
  return MoveFileExW(from->c_str(), to->c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveFile(const Text& path) {
  std::optional<std::wstring> native = NativePath(path);
  if (!native) return false;
  return DeleteFileW(native->c_str()) != FALSE;
}

}  // namespace animal_ids
