#include "tests/test_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#ifndef ANIMAL_IDS_SOURCE_DIR
#error "ANIMAL_IDS_SOURCE_DIR must name the repository root, e.g. ANIMAL_IDS_SOURCE_DIR=\"/src\""
#endif
#ifndef ANIMAL_IDS_PYTHON
#define ANIMAL_IDS_PYTHON "python3"
#endif

extern char** environ;

namespace animal_ids::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);

[[noreturn]] void Fail(const std::string& what, int error = 0) {
  std::string message = "TestServer: " + what;
  if (error != 0) message += ": " + std::string(std::strerror(error));
  throw std::runtime_error(message);
}

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~UniqueFd() { Reset(); }

  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

struct Pipe {
  UniqueFd read_end;
  UniqueFd write_end;
};

// Close-on-exec, so that no other child inherits an end and keeps the server's
// stdin open after this object closed its own copy.
Pipe MakePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) Fail("pipe2 failed", errno);
  return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// A child process that is stopped and reaped when this object goes.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Stop(); }

  pid_t pid() const { return pid_; }

  // Returns the wait status once the child has ended, or -1 while it runs.
  int Poll() {
    int status = 0;
    pid_t result;
    do {
      result = ::waitpid(pid_, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return -1;
    pid_ = -1;
    return result < 0 ? 0 : status;
  }

  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + kStopTimeout;
    while (Poll() < 0) {
      if (Clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

 private:
  pid_t pid_;
};

std::string DescribeExit(int status) {
  if (WIFEXITED(status)) return "exited with code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
  return "ended";
}

int ParsePort(const std::string& text, const std::string& source) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
    Fail(source + " is not a port number: \"" + text + "\"");
  const int port = std::stoi(text);
  if (port < 1 || port > 65535) Fail(source + " is out of range: " + text);
  return port;
}

}  // namespace

// Declared in this order so that the pipes close before the child is stopped:
// the server ends by itself at the end of its stdin, and SIGTERM only follows.
struct TestServer::Process {
  explicit Process(pid_t pid, UniqueFd in, UniqueFd out)
      : child(pid), to_stdin(std::move(in)), from_stdout(std::move(out)) {}
  Child child;
  UniqueFd to_stdin;
  UniqueFd from_stdout;
};

TestServer::TestServer(const std::string& root) {
  if (const char* fixed = std::getenv("ANIMAL_IDS_TEST_SERVER_PORT"); fixed && *fixed) {
    port_ = ParsePort(fixed, "ANIMAL_IDS_TEST_SERVER_PORT");
    return;
  }

  const std::string script = std::string(ANIMAL_IDS_SOURCE_DIR) + "/tests/http_server.py";
  std::vector<std::string> args = {ANIMAL_IDS_PYTHON, script};
  if (!root.empty()) {
    args.push_back("--root");
    args.push_back(root);
  }
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  Pipe input = MakePipe();
  Pipe output = MakePipe();

  posix_spawn_file_actions_t actions;
  if (int error = ::posix_spawn_file_actions_init(&actions); error != 0)
    Fail("posix_spawn_file_actions_init failed", error);
  ::posix_spawn_file_actions_adddup2(&actions, input.read_end.get(), STDIN_FILENO);
  ::posix_spawn_file_actions_adddup2(&actions, output.write_end.get(), STDOUT_FILENO);
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) Fail("cannot start " + args[0] + " " + script, spawned);

  process_ = std::make_unique<Process>(pid, std::move(input.write_end), std::move(output.read_end));
  // The child holds its own copies; ours would hide its end of output.
  input.read_end.Reset();
  output.write_end.Reset();

  std::string line;
  const auto deadline = Clock::now() + kStartTimeout;
  while (line.empty() || line.back() != '\n') {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) Fail("the server did not print its port within 10 s (" + script + ")");
    pollfd ready{process_->from_stdout.get(), POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno != EINTR) Fail("poll failed", errno);
    if (polled <= 0) continue;
    char buffer[64];
    const ssize_t got = ::read(process_->from_stdout.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Fail("reading the server's output failed", errno);
    if (got == 0) {
      std::string how = "ended";
      for (int tries = 0; tries < 200; ++tries) {
        if (int status = process_->child.Poll(); status >= 0) {
          how = DescribeExit(status);
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      Fail("the server " + how + " before printing its port (" + args[0] + " " + script + ")");
    }
    line.append(buffer, static_cast<size_t>(got));
  }
  line.pop_back();
  port_ = ParsePort(line, "the server's first line");
}

TestServer::~TestServer() = default;

std::string TestServer::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string TestServer::Url(const std::string& path) const { return Base() + path; }

}  // namespace animal_ids::testing
