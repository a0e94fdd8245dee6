#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "tests/test_server.h"

// The Windows tests run under Wine, which starts the machine's own Python
// as it is: the server is the same script as for the native tests.

#ifndef ANIMAL_IDS_SOURCE_DIR
#error "ANIMAL_IDS_SOURCE_DIR must name the repository root"
#endif

namespace animal_ids::testing {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error("TestServer: " + what + " (error " + std::to_string(GetLastError()) +
                           ")");
}

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  void Reset() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A Windows path as the Unix side names it; Wine's kernel32 knows the mapping.
std::string UnixPath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  using Convert = char* (*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
  if (!convert) return path;
  std::wstring wide(path.begin(), path.end());
  char* unix = convert(wide.c_str());
  if (!unix) return path;
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

int ParsePort(const std::string& text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
    throw std::runtime_error("TestServer: not a port number: \"" + text + "\"");
  return std::stoi(text);
}

// Starts a Unix shell command; Wine runs the Unix program as it is, and
// does not wait for it.
void StartUnix(const std::string& command) {
  std::string line = "/bin/sh -c \"" + command + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    Fail("cannot start " + line);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

void RunUnix(const std::string& command) {
  try {
    StartUnix(command);
  } catch (const std::exception&) {
  }
}

// A Unix path through Wine's drive for the Unix root.
std::string DosPath(const std::string& unixPath) {
  std::string dos = "Z:" + unixPath;
  for (char& c : dos) {
    if (c == '/') c = '\\';
  }
  return dos;
}

bool DosPathExists(const std::string& unixPath) {
  return GetFileAttributesA(DosPath(unixPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A Unix file's bytes, empty when absent.
std::string ReadDosFile(const std::string& unixPath) {
  std::string dos = DosPath(unixPath);
  Handle file(CreateFileA(dos.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return std::string();
  char buffer[64];
  DWORD got = 0;
  if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return std::string();
  return std::string(buffer, got);
}

}  // namespace

// Wine hands a Unix program none of the Windows pipes: a Unix shell starts
// the server with its output in a file, and a Unix kill stops it.
struct TestServer::Process {
  std::string directory;  // Unix path of the port and pid files
  ~Process() {
    // The shell reads the pid itself, so a server is stopped even when it
    // was stopped before its pid was read here.
    RunUnix("pid=$(cat '" + directory + "/pid' 2>/dev/null) && kill $pid && " +
            "while kill -0 $pid 2>/dev/null; do sleep 0.02; done; rm -rf '" + directory + "'");
    // Wine does not wait for a Unix program: the directory goes once the server has.
    for (int tries = 0; tries < 500 && DosPathExists(directory); ++tries) Sleep(20);
  }
};

TestServer::TestServer(const std::string& root) {
  if (const char* fixed = std::getenv("ANIMAL_IDS_TEST_SERVER_PORT"); fixed && *fixed) {
    port_ = ParsePort(fixed);
    return;
  }
  static int serial = 0;
  process_ = std::make_unique<Process>();
  process_->directory = "/tmp/animal-ids-server-" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(++serial);
  const std::string& dir = process_->directory;
  std::string command = "mkdir -p '" + dir + "' && echo $$ > '" + dir + "/pid' && exec " +
                        std::string(ANIMAL_IDS_PYTHON) + " '" ANIMAL_IDS_SOURCE_DIR +
                        "/tests/http_server.py' --no-stdin --max-seconds 900";
  if (!root.empty()) command += " --root '" + UnixPath(root) + "'";
  // Its output goes to files: a server outliving its test must not hold the test runner's pipes.
  command += " > '" + dir + "/port' 2> '" + dir + "/log'";
  StartUnix(command);

  const auto deadline = Clock::now() + std::chrono::seconds(20);
  for (;;) {
    std::string port = ReadDosFile(dir + "/port");
    if (!port.empty() && port.back() == '\n') {
      port.pop_back();
      port_ = ParsePort(port);
      return;
    }
    if (Clock::now() > deadline) {
      throw std::runtime_error("TestServer: no port within 20 s from " + command);
    }
    Sleep(20);
  }
}

TestServer::~TestServer() = default;

std::string TestServer::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string TestServer::Url(const std::string& path) const { return Base() + path; }

}  // namespace animal_ids::testing
