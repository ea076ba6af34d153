#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "app/Setup.h"
#include "tests/e2e_fetch/Station.h"
#include "tests/support/TestPlatform.h"

extern char** environ;

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

const fs::path kBin = TIDEHAUL_BIN_DIR;

// A started program; killed if a test leaves it running.
class Process {
 public:
  // Starts `args[0]` without DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM, so
  // the tool has to pick its platform by itself.
  explicit Process(const std::vector<std::string>& args) : started_(Clock::now()) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string var = *e;
      if (var.rfind("DISPLAY=", 0) == 0 || var.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
          var.rfind("QT_QPA_PLATFORM=", 0) == 0) {
        continue;
      }
      env.push_back(var);
    }
    std::vector<char*> argv, envp;
    for (const auto& a : args) {
      argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    for (auto& e : env) {
      envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Qt's notes about the off-screen platform are not the test's business.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Process() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  // Waits up to `limit` for the end; true when it ended. Polls: it is a test.
  bool wait(Seconds limit) {
    const auto end = Clock::now() + limit;
    while (!exited_ && Clock::now() < end) {
      if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
        exited_ = true;
        ended_ = Clock::now();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return exited_;
  }
  int exitCode() const { return exited_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }
  double endedAfter() const { return Seconds(ended_ - started_).count(); }
  Clock::time_point ended() const { return ended_; }
  Clock::time_point started() const { return started_; }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool exited_ = false;
  Clock::time_point started_, ended_;
};

int RunToEnd(const std::vector<std::string>& args) {
  Process p(args);
  return p.wait(Seconds(30)) ? p.exitCode() : -1;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kBin / "tidehaul")) << "build the tidehaul target first";
    fs::copy_file(kBin / "tidehaul", tool);
  }
  fs::path file(const char* name) const { return dir.path() / name; }

  TempDir dir;
  fs::path tool = dir.path() / "tidehaul";
};

TEST_F(EndToEnd, WithoutAMessageTheRunEndsAfterElevenSecondsWithoutALog) {
  Process p({tool.string()});
  ASSERT_GT(p.pid(), 0);
  ASSERT_TRUE(p.wait(Seconds(20)));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_GT(p.endedAfter(), 10.5);
  EXPECT_LT(p.endedAfter(), 13.0);
  EXPECT_FALSE(fs::exists(file("LogFile.Log")));
  RecordProperty("seconds_to_close", std::to_string(p.endedAfter()));
  // A run without a job leaves a record for the station as a whole.
  const nlohmann::json record = OnlyJobRecord(dir.path());
  EXPECT_EQ(record["result"], "no_device");
  EXPECT_EQ(record["reason"], "No device named");
  EXPECT_TRUE(record["device"].is_null() && record["line"].is_null());
  EXPECT_EQ(record["files"], nlohmann::json::array());
  EXPECT_EQ(record["data_files"], nlohmann::json::array());
}

TEST_F(EndToEnd, ShortSettingsFileLogsOneLineAndEndsAtOnce) {
  WriteWholeFile(file("Setting.dat"), std::string(kSettingsFileSize - 1, '\0'));
  Process p({tool.string()});
  ASSERT_TRUE(p.wait(Seconds(10)));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_LT(p.endedAfter(), 3.0);
  const std::string log = ReadWholeFile(file("LogFile.Log"));
  EXPECT_TRUE(std::regex_match(
      log, std::regex("Read beyond end of file - \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n")))
      << log;
  // The file itself is left as it was.
  EXPECT_EQ(fs::file_size(file("Setting.dat")), kSettingsFileSize - 1);
  const nlohmann::json record = OnlyJobRecord(dir.path());
  EXPECT_EQ(record["result"], "settings_error");
  EXPECT_EQ(record["reason"], "Read beyond end of file");
  EXPECT_TRUE(record["device"].is_null());
  EXPECT_EQ(record["clock_set"], false);
  EXPECT_EQ(record["fetch_complete"], false);
  EXPECT_EQ(record["records_saved"], 0);
}

TEST_F(EndToEnd, AFifoInPlaceOfTheLogNeitherHoldsTheRunNorGetsTheEntry) {
  ASSERT_EQ(::mkfifo(file("LogFile.Log").c_str(), 0600), 0);
  WriteWholeFile(file("Setting.dat"), std::string(kSettingsFileSize - 1, '\0'));
  Process p({tool.string()});
  ASSERT_TRUE(p.wait(Seconds(10)));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_LT(p.endedAfter(), 3.0);
  EXPECT_TRUE(fs::is_fifo(file("LogFile.Log")));
}

TEST_F(EndToEnd, SettingsToolRefusesAFifoWithAMessageInsteadOfWaiting) {
  const fs::path fifo = file("Setting.dat");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string settings = (kBin / "tidehaul-settings").string();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{settings, "show", fifo.string()},
        std::vector<std::string>{settings, "set", fifo.string(), "3", "PortSet.COMPORT=4"}}) {
    Process p(args);
    ASSERT_TRUE(p.wait(Seconds(5))) << args[1];
    EXPECT_EQ(p.exitCode(), 1) << args[1];
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(EndToEnd, SentDeviceNumberRunsTheJobAtTheNextTick) {
  // Record 7 names a port that cannot open, so its job ends at once.
  ASSERT_EQ(
      RunToEnd({(kBin / "tidehaul-settings").string(), "set", file("Setting.dat").string(), "7",
                "PortSet.COMPORT=0", "PortSet.Baudrate=9600", "ModemSet.ModemType=Direct"}),
      0);
  Process p({tool.string()});
  ASSERT_GT(p.pid(), 0);
  Process send(
      {(kBin / "tidehaul-send").string(), "--pid", std::to_string(p.pid()), "--wait", "5", "0007"});
  ASSERT_TRUE(send.wait(Seconds(20)));
  EXPECT_EQ(send.exitCode(), 0);
  const auto replied = send.ended();
  ASSERT_TRUE(p.wait(Seconds(20)));
  EXPECT_EQ(p.exitCode(), 0);
  // The next tick comes within a second of the reply; the run ends within two after it.
  const double afterReply = Seconds(p.ended() - replied).count();
  EXPECT_LT(afterReply, 3.0);
  EXPECT_LT(p.endedAfter(), 8.0);
  RecordProperty("seconds_from_reply_to_end", std::to_string(afterReply));
  // A failure inside a tick's job is not logged.
  EXPECT_FALSE(fs::exists(file("LogFile.Log")));
}

// Moves this process, and the programs it starts from now on, into a network
// namespace of its own, where the control sockets of tools that other tests or
// users run are not seen. A user namespace comes with it, so that no privilege
// is needed; the ids stay what they were. False where the system forbids it.
bool OwnNetworkNamespace() {
  const std::string uid = std::to_string(::getuid());
  const std::string gid = std::to_string(::getgid());
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
    return false;
  }
  const auto write = [](const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    const bool written =
        fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0) {
      ::close(fd);
    }
    return written;
  };
  return write("/proc/self/setgroups", "deny") &&
         write("/proc/self/uid_map", uid + " " + uid + " 1") &&
         write("/proc/self/gid_map", gid + " " + gid + " 1");
}

TEST_F(EndToEnd, SendWithoutPidFindsTheOnlyInstance) {
  const bool alone = OwnNetworkNamespace();
  Process p({tool.string()});
  Process send({(kBin / "tidehaul-send").string(), "--wait", "5", "7"});
  ASSERT_TRUE(send.wait(Seconds(20)));
  ASSERT_TRUE(p.wait(Seconds(20)));
  EXPECT_EQ(p.exitCode(), 0);
  if (alone) {
    EXPECT_EQ(send.exitCode(), 0);
    EXPECT_LT(p.endedAfter(), 8.0);
    return;
  }
  // Without a namespace of its own, tools that others run make several
  // instances: then the send is refused and this one waits out its eleven
  // seconds.
  if (send.exitCode() == 0) {
    EXPECT_LT(p.endedAfter(), 8.0);
  } else {
    EXPECT_EQ(send.exitCode(), 1);
  }
}

}  // namespace
}  // namespace th::test
