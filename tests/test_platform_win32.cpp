#include <windows.h>

#include <fstream>
#include <sstream>

#include "tests/test_platform.h"
#include "web/codepage.h"

namespace animal_ids::testing {
namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::wstring Wide(const std::string& utf8) {
  std::u16string units = DecodeToWide(CodePage::kUtf8, utf8);
  return std::wstring(units.begin(), units.end());
}

// One argument quoted the way CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::filesystem::path ExecutablePath() {
  std::wstring buffer(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(length);
  return buffer;
}

std::filesystem::path MakeTemporaryDirectory(const std::string& prefix) {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (unsigned attempt = 0;; ++attempt) {
    std::filesystem::path candidate =
        base / (prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) return candidate;
    if (attempt > 1000) return {};
  }
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
  std::filesystem::path dir = MakeTemporaryDirectory("animal-ids-run-");
  ProgramRun run;
  {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Handle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr));
    Handle out(CreateFileW((dir / "out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr));
    Handle err(CreateFileW((dir / "err").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr));
    std::wstring command = Quoted(Wide(program));
    for (const std::string& arg : args) command += L" " + Quoted(Wide(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
      Handle process(info.hProcess);
      Handle thread(info.hThread);
      WaitForSingleObject(process.get(), INFINITE);
      DWORD code = 0;
      GetExitCodeProcess(process.get(), &code);
      run.code = static_cast<int>(code);
    }
  }
  run.out = Slurp(dir / "out");
  run.err = Slurp(dir / "err");
  std::filesystem::remove_all(dir);
  return run;
}

}  // namespace animal_ids::testing
