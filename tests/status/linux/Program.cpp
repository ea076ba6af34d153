#include "tests/status/Program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "tests/support/TestPlatform.h"

namespace th::status::test {

ProgramRun RunStatusProgram(const std::vector<std::string>& args, const std::string& now) {
  const th::test::TempDir dir;
  const std::string outPath = (dir.path() / "out").string();
  const std::string errPath = (dir.path() / "err").string();
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> strings = {std::string(TIDEHAUL_BIN_DIR) + "/tidehaul-status"};
  strings.insert(strings.end(), args.begin(), args.end());
  const std::size_t argCount = strings.size();
  strings.push_back("TIDEHAUL_STATUS_NOW=" + now);
  strings.emplace_back("TZ=UTC");
  std::vector<char*> argv;
  std::vector<char*> envp;
  for (std::size_t i = 0; i < strings.size(); ++i) {
    (i < argCount ? argv : envp).push_back(strings[i].data());
  }
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "TZ=", 3) != 0 && std::strncmp(*e, "TIDEHAUL_STATUS_NOW=", 20) != 0) {
      envp.push_back(*e);
    }
  }
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = -1;
  ProgramRun run;
  const int spawned = ::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  int status = 0;
  if (spawned != 0 || ::waitpid(pid, &status, 0) != pid) {
    run.err = "cannot run " + strings[0];
    return run;
  }
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = th::test::ReadWholeFile(outPath);
  run.err = th::test::ReadWholeFile(errPath);
  return run;
}

}  // namespace th::status::test
