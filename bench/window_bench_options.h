#pragma once

// What the window harnesses share: their options and the median they print.
//   --server URL [--data-version V] [--runs N]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace animal_ids::bench {

struct WindowBenchOptions {
  std::string server;
  std::string version = "115";
  int runs = 5;
};

// False, with the usage said on standard error, when no server was given.
inline bool ParseWindowBenchOptions(int argc, char** argv, const char* program,
                                    WindowBenchOptions& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--server") options.server = argv[i + 1];
    if (option == "--data-version") options.version = argv[i + 1];
    if (option == "--runs") options.runs = std::max(1, std::atoi(argv[i + 1]));
  }
  if (options.server.empty()) {
    std::fprintf(stderr, "usage: %s --server URL [--data-version V] [--runs N]\n", program);
    return false;
  }
  return true;
}

inline void PrintMedian(std::vector<double> milliseconds) {
  if (milliseconds.empty()) return;
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("median %.0f ms over %zu runs\n", milliseconds[milliseconds.size() / 2],
              milliseconds.size());
}

}  // namespace animal_ids::bench
