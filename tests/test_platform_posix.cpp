#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "tests/test_platform.h"

extern char** environ;

namespace animal_ids::testing {
namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace

std::filesystem::path ExecutablePath() { return std::filesystem::read_symlink("/proc/self/exe"); }

std::filesystem::path MakeTemporaryDirectory(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
  std::filesystem::path dir = MakeTemporaryDirectory("animal-ids-run-");
  std::string out = (dir / "out").string(), err = (dir / "err").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  ProgramRun run;
  pid_t pid;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = Slurp(out);
  run.err = Slurp(err);
  std::filesystem::remove_all(dir);
  return run;
}

}  // namespace animal_ids::testing
