#pragma once

// Starts tests/http_server.py for a GoogleTest suite. The server's path
// grammar (/b/OPTIONS/RESOURCE) is documented at the top of that script.

#include <memory>
#include <string>

namespace animal_ids::testing {

class TestServer {
 public:
  // Starts tests/http_server.py (python3) serving root (default: <source>/samples) on 127.0.0.1.
  // When ANIMAL_IDS_TEST_SERVER_PORT is set, nothing is started: that port is used, and root is
  // ignored because the outside server chose its own. Throws std::runtime_error when the server
  // cannot be started or does not print its port within 10 s.
  explicit TestServer(const std::string& root = "");
  ~TestServer();  // ends it: closes its stdin, then SIGTERM, waits

  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  std::string Base() const;                        // "http://127.0.0.1:PORT"
  std::string Url(const std::string& path) const;  // Base() + path

 private:
  struct Process;
  std::unique_ptr<Process> process_;  // empty when the port came from the environment
  int port_ = 0;
};

}  // namespace animal_ids::testing
