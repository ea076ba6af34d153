// The real simulator on a pseudo-terminal, driven the way the tool drives it:
// through the link, with the transcript and state files checked afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

extern char** environ;

namespace th::sim::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TempFolder {
  TempFolder() {
    std::string t = (fs::temp_directory_path() / "simtest.XXXXXX").string();
    path = ::mkdtemp(t.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int out[2];
    EXPECT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    args.insert(args.begin(), TIDEHAUL_SIM_BIN);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) {
      argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    EXPECT_EQ(::posix_spawn(&pid_, TIDEHAUL_SIM_BIN, &fa, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    out_ = out[0];
  }
  ~SimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }

  // Standard output up to the READY line.
  std::string waitReady() {
    std::string text;
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (text.find("READY\n") == std::string::npos && Clock::now() < end) {
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, 100) > 0) {
        char buf[256];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0) {
          break;
        }
        text.append(buf, static_cast<std::size_t>(n));
      }
    }
    return text;
  }

  // Exit status, or -1 when it did not end within `seconds`.
  int waitExit(double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  // User plus system CPU time so far, in clock ticks.
  long cpuTicks() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream rest(all.substr(all.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
      if (i == 14) {
        utime = std::stol(field);
      } else if (i == 15) {
        stime = std::stol(field);
      }
    }
    return utime + stime;
  }

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

class Line {
 public:
  explicit Line(const fs::path& link) : fd_(::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    EXPECT_GE(fd_, 0) << link;
  }
  ~Line() { close(); }
  void close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  int fd() const { return fd_; }
  void send(const std::string& bytes) {
    ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Reads until `want` has arrived (returns everything read) or the time is up.
  std::string readUntil(const std::string& want, double seconds = 3) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (got_.find(want) == std::string::npos && Clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0) {
        char buf[65536];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
          got_.append(buf, static_cast<std::size_t>(n));
        }
      }
    }
    std::string out;
    out.swap(got_);
    return out;
  }
  std::string ask(const std::string& command, const std::string& want) {
    send(command + "\r\n");
    return readUntil(want);
  }

 private:
  int fd_;
  std::string got_;
};

TEST(PtySim, DirectLoggerServesAWholeFetchAndEndsWithTheHangup) {
  TempFolder dir;
  const fs::path link = dir.path / "COM3";
  SimProcess sim({"--link", link.string(), "--generate", "200", "--export",
                  (dir.path / "exp").string(), "--transcript", (dir.path / "tr.log").string(),
                  "--state", (dir.path / "st.json").string(), "--exit-after-hangup", "--timeout",
                  "30"});
  const std::string ready = sim.waitReady();
  ASSERT_NE(ready.find("READY\n"), std::string::npos) << ready;
  EXPECT_EQ(ready.rfind("LINK " + link.string() + " /dev/pts/", 0), 0U) << ready;
  ASSERT_TRUE(fs::is_symlink(link));
  const std::string file = ReadAll(dir.path / "exp" / "SL01" / "SL010.TXT");
  ASSERT_GT(file.size(), 5000U);
  {
    Line line(link);
    EXPECT_NE(line.ask("#T01 R", "\r\n").find("Time Read "), std::string::npos);
    EXPECT_NE(line.ask("#T01 W 24 05 06 14 05", "\r\n").find("Time Set 24-05-06 14:05"),
              std::string::npos);
    EXPECT_EQ(line.ask("#M01 T O", "\r\n"), "Terminal mode ON\r\n");
    EXPECT_NE(line.ask("DIR", "bytes\r\n").find(" File(s) "), std::string::npos);
    EXPECT_EQ(line.ask("FSIZE \\SL01\\SL010.TXT", "\r\n"),
              "FS:" + std::to_string(file.size()) + "\r\n");
    EXPECT_EQ(line.ask("fread \\SL01\\SL010.TXT", file), file);
    line.send("CD \\\r\nDEL \\SL01\\SL010.TXT\r\nDEL \\SL01\\SL011.TXT\r\n");
    EXPECT_EQ(line.ask("#M01 T C", "\r\n"), "Function mode\r\n");
  }
  ASSERT_EQ(sim.waitExit(5), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

  const auto state = nlohmann::json::parse(ReadAll(dir.path / "st.json"));
  EXPECT_EQ(state["exit_reason"], "hangup");
  EXPECT_TRUE(state["files"].empty());
  EXPECT_EQ(state["deleted"], nlohmann::json::array({"\\SL01\\SL010.TXT"}));
  EXPECT_EQ(state["clock_sets"], nlohmann::json::array({"24 05 06 14 05"}));
  EXPECT_EQ(state["opens"], 1);
  EXPECT_EQ(state["closes"], 1);
  const std::string transcript = ReadAll(dir.path / "tr.log");
  for (const char* want :
       {" OPEN\n", " CMD time-set #T01 W 24 05 06 14 05\n", " FILE \\SL01\\SL010.TXT ",
        " DEL \\SL01\\SL010.TXT\n", " NOTE missing file: \\SL01\\SL011.TXT\n", " CLOSE\n",
        " EXIT hangup\n"}) {
    EXPECT_NE(transcript.find(want), std::string::npos) << want;
  }
}

TEST(PtySim, ModemIdlesWithoutCpuAndEndsOnSigterm) {
  TempFolder dir;
  const fs::path link = dir.path / "COM5";
  SimProcess sim({"--link", link.string(), "--modem", "--state", (dir.path / "st.json").string(),
                  "--timeout", "30"});
  ASSERT_NE(sim.waitReady().find("READY\n"), std::string::npos);
  const long before = sim.cpuTicks();
  {
    Line line(link);
    EXPECT_EQ(line.ask("ATZ", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(line.ask("ATD0123", "CONNECT\r\n"), "\r\nCONNECT\r\n");
    EXPECT_NE(line.ask("#T01 R", "\r\n").find("Time Read"), std::string::npos);
    line.send("ATH");
    line.send(std::string("\x1d+++\x1b"));
    EXPECT_EQ(line.readUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // idle with the port open
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // and after it closed
  // Under 5% of a core over 1.5 s (clock ticks are 10 ms).
  EXPECT_LE(sim.cpuTicks() - before, 7);
  ASSERT_EQ(::kill(sim.pid(), SIGTERM), 0);
  EXPECT_EQ(sim.waitExit(5), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  const auto state = nlohmann::json::parse(ReadAll(dir.path / "st.json"));
  EXPECT_EQ(state["exit_reason"], "signal");
  EXPECT_EQ(state["hangups"], 1);
  EXPECT_EQ(state["dials"], 1);
  EXPECT_FALSE(state["online"].get<bool>());
}

TEST(PtySim, PacedReadAndTimeout) {
  TempFolder dir;
  const fs::path link = dir.path / "COM7";
  {
    std::ofstream f(dir.path / "data.txt", std::ios::binary);
    f << std::string(1000, 'x');
  }
  SimProcess sim({"--link", link.string(), "--file",
                  "\\SL01\\SL010.TXT=" + (dir.path / "data.txt").string(), "--rate", "2000",
                  "--timeout", "3", "--state", (dir.path / "st.json").string()});
  ASSERT_NE(sim.waitReady().find("READY\n"), std::string::npos);
  Line line(link);
  line.ask("#M01 T O", "\r\n");
  const auto t0 = Clock::now();
  EXPECT_EQ(line.ask("fread \\SL01\\SL010.TXT", std::string(1000, 'x')).size(), 1000U);
  const double took = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_GT(took, 0.4);  // 1000 bytes at 2000 bytes/s
  EXPECT_LT(took, 1.5);
  EXPECT_EQ(sim.waitExit(5), 0);
  EXPECT_EQ(nlohmann::json::parse(ReadAll(dir.path / "st.json"))["exit_reason"], "timeout");
}

// Reads until the port hangs up (or the time is up); the events of the last poll.
short ReadUntilHangup(int fd, std::string& got, double seconds = 3) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) > 0) {
      if ((p.revents & POLLHUP) != 0) {
        return p.revents;
      }
      char buf[65536];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        got.append(buf, static_cast<std::size_t>(n));
      }
    }
  }
  return 0;
}

bool WaitFor(const std::function<bool()>& done, double seconds = 5) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done() && Clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

// An adapter unplugged halfway through a read: what the tool's descriptor
// shows, the link going and coming back on a new pseudo-terminal, and the
// logger still holding its file.
TEST(PtySim, UnplugMidReadHangsUpThePortAndComesBack) {
  TempFolder dir;
  const fs::path link = dir.path / "COM3";
  SimProcess sim({"--link", link.string(), "--generate", "100", "--unplug-after", "50%",
                  "--unplug-gap", "1000", "--export", (dir.path / "exp").string(), "--transcript",
                  (dir.path / "tr.log").string(), "--state", (dir.path / "st.json").string(),
                  "--timeout", "30"});
  ASSERT_NE(sim.waitReady().find("READY\n"), std::string::npos);
  const std::string file = ReadAll(dir.path / "exp" / "SL01" / "SL010.TXT");
  Line line(link);
  EXPECT_EQ(line.ask("#M01 T O", "\r\n"), "Terminal mode ON\r\n");
  line.send("fread \\SL01\\SL010.TXT\r\n");
  std::string got;
  const short revents = ReadUntilHangup(line.fd(), got);
  EXPECT_NE(revents & POLLHUP, 0);
  EXPECT_NE(revents & POLLERR, 0);
  EXPECT_EQ(got, file.substr(0, file.size() / 2));
  // A hung-up descriptor: reads end at once, writes fail.
  char ch = 0;
  EXPECT_EQ(::read(line.fd(), &ch, 1), 0);
  EXPECT_EQ(::write(line.fd(), "#", 1), -1);
  EXPECT_EQ(errno, EIO);
  // No device while unplugged, then the same path again.
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  ASSERT_TRUE(WaitFor([&] { return fs::is_symlink(link); }));
  {
    Line again(link);
    EXPECT_NE(again.ask("#T01 R", "\r\n").find("Time Read "), std::string::npos);
    EXPECT_EQ(again.ask("FSIZE \\SL01\\SL010.TXT", "\r\n"),
              "FS:" + std::to_string(file.size()) + "\r\n");
    EXPECT_EQ(again.ask("fread \\SL01\\SL010.TXT", file), file);  // once only
  }
  line.close();
  EXPECT_TRUE(
      WaitFor([&] { return ReadAll(dir.path / "tr.log").find(" CLOSE\n") != std::string::npos; }));
  ASSERT_EQ(::kill(sim.pid(), SIGTERM), 0);
  ASSERT_EQ(sim.waitExit(5), 0);
  const auto state = nlohmann::json::parse(ReadAll(dir.path / "st.json"));
  EXPECT_EQ(state["unplugs"], 1);
  EXPECT_TRUE(state["plugged"].get<bool>());
  ASSERT_EQ(state["files"].size(), 1U);
  EXPECT_EQ(state["files"][0]["size"], file.size());
  EXPECT_EQ(state["opens"], 2);
  EXPECT_EQ(state["closes"], 1);
  const std::string transcript = ReadAll(dir.path / "tr.log");
  for (const std::string& want : {" FILE \\SL01\\SL010.TXT " + std::to_string(file.size() / 2) +
                                      " " + std::to_string(file.size()) + "\n",
                                  std::string(" UNPLUG\n"), std::string(" PLUG /dev/pts/")}) {
    EXPECT_NE(transcript.find(want), std::string::npos) << want;
  }
}

// With --exit-after-hangup an unplug ends the session, and the simulator.
TEST(PtySim, UnplugEndsTheSimulatorWhenAskedToEndAfterTheSession) {
  TempFolder dir;
  const fs::path link = dir.path / "COM3";
  SimProcess sim({"--link", link.string(), "--generate", "10", "--unplug-after", "0",
                  "--exit-after-hangup", "--state", (dir.path / "st.json").string(), "--timeout",
                  "30"});
  ASSERT_NE(sim.waitReady().find("READY\n"), std::string::npos);
  Line line(link);
  line.ask("#M01 T O", "\r\n");
  line.send("fread \\SL01\\SL010.TXT\r\n");
  std::string got;
  EXPECT_NE(ReadUntilHangup(line.fd(), got) & POLLHUP, 0);
  EXPECT_EQ(got, "");
  ASSERT_EQ(sim.waitExit(5), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  const auto state = nlohmann::json::parse(ReadAll(dir.path / "st.json"));
  EXPECT_EQ(state["exit_reason"], "unplug");
  EXPECT_EQ(state["files"].size(), 1U);
  EXPECT_EQ(state["unplugs"], 1);
  EXPECT_FALSE(state["plugged"].get<bool>());
}

TEST(PtySim, RefusesToReplaceARegularFile) {
  TempFolder dir;
  const fs::path link = dir.path / "COM3";
  { std::ofstream(link) << "mine"; }
  SimProcess sim({"--link", link.string()});
  EXPECT_EQ(sim.waitExit(5), 1);
  EXPECT_EQ(ReadAll(link), "mine");
}

}  // namespace
}  // namespace th::sim::test
