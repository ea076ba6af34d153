// --help, --version and bad command lines of tidehaul-send, tidehaul-settings
// and tidehaul-logger-sim, run as programs.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/support/TestPlatform.h"

namespace th::test {
namespace {

struct Outcome {
  int code = -1;  // -1: did not exit normally
  std::string out;
  std::string err;
};

class ToolCommandLine : public ::testing::Test {
 protected:
  Outcome Run(const std::vector<std::string>& args) {
    const std::string outPath = (dir.path() / "out").string();
    const std::string errPath = (dir.path() / "err").string();
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    argv.reserve(copy.size() + 1);
    for (auto& a : copy) {
      argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    Outcome o;
    const int spawned = ::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    EXPECT_EQ(spawned, 0) << args[0];
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid) {
      return o;
    }
    o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = ReadWholeFile(outPath);
    o.err = ReadWholeFile(errPath);
    return o;
  }

  // A bad command line: exit status 2, the problem named on standard error
  // before the usage, nothing on standard output.
  void ExpectUsageError(const std::vector<std::string>& args, const std::string& problem) {
    const Outcome o = Run(args);
    const std::string line = args.size() > 1 ? args.back() : "(none)";
    EXPECT_EQ(o.code, 2) << line;
    EXPECT_EQ(o.out, "") << line;
    EXPECT_NE(o.err.find(problem), std::string::npos) << line << ": " << o.err;
    EXPECT_NE(o.err.find("usage: "), std::string::npos) << line;
  }

  // --help: the usage on standard output, status 0; --version: name and version.
  void ExpectHelpAndVersion(const std::string& bin, const std::string& name) {
    for (const char* help : {"--help", "-h"}) {
      const Outcome o = Run({bin, help});
      EXPECT_EQ(o.code, 0) << help;
      EXPECT_EQ(o.out.rfind("usage: " + name + " ", 0), 0u) << o.out;
      EXPECT_NE(o.out.find("Exit status"), std::string::npos);
      EXPECT_EQ(o.err, "");
    }
    const Outcome v = Run({bin, "--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out, name + " " + TIDEHAUL_VERSION + "\n");
    EXPECT_EQ(v.err, "");
  }

  TempDir dir;
};

TEST_F(ToolCommandLine, Send) {
  const std::string bin = TIDEHAUL_SEND_BIN;
  ExpectHelpAndVersion(bin, "tidehaul-send");
  ExpectUsageError({bin}, "no TEXT given");
  ExpectUsageError({bin, "3", "4"}, "give exactly one TEXT");
  ExpectUsageError({bin, "--bogus", "3"}, "unknown option --bogus");
  ExpectUsageError({bin, "3", "--pid"}, "--pid needs a value");
  ExpectUsageError({bin, "3", "--wait"}, "--wait needs a value");
  ExpectUsageError({bin, "--pid", "x1", "3"},
                   "--pid needs a whole number from 0 to 999999999, not \"x1\"");
  ExpectUsageError({bin, "--wait", "86401", "3"}, "--wait needs a whole number from 0 to 86400");
  ExpectUsageError({bin, std::string(32768, '7')}, "longer than 32767");
  // After "--" an option's name is the text.
  ExpectUsageError({bin, "--", "--help", "3"}, "give exactly one TEXT");
}

TEST_F(ToolCommandLine, Settings) {
  const std::string bin = TIDEHAUL_SETTINGS_BIN;
  const std::string file = (dir.path() / "Setting.dat").string();
  ExpectHelpAndVersion(bin, "tidehaul-settings");
  ExpectUsageError({bin}, "no command given");
  ExpectUsageError({bin, "remove", file}, "unknown command \"remove\"");
  ExpectUsageError({bin, "show"}, "show takes FILE and an optional N");
  ExpectUsageError({bin, "show", file, "1", "2"}, "show takes FILE and an optional N");
  ExpectUsageError({bin, "set", file, "1"}, "set takes FILE, N and at least one FIELD=VALUE");
  ExpectUsageError({bin, "--bogus"}, "unknown command \"--bogus\"");
  // Bad input in a well-formed command is refused with status 1, not a usage error.
  const Outcome refused = Run({bin, "set", file, "255", "PortSet.COMPORT=3"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err.find("usage"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ToolCommandLine, LoggerSim) {
  const std::string bin = TIDEHAUL_SIM_BIN;
  const std::string link = (dir.path() / "COM3").string();
  ExpectHelpAndVersion(bin, "tidehaul-logger-sim");
  ExpectUsageError({bin}, "--link PATH is required");
  ExpectUsageError({bin, "--link", link, "--bogus"}, "unknown option: --bogus");
  ExpectUsageError({bin, "--link", link, "--generate"}, "--generate needs a value");
  ExpectUsageError({bin, "--link", link, "--rate", "fast"}, "bad value for --rate: fast");
  // None of them set anything up.
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

}  // namespace
}  // namespace th::test
