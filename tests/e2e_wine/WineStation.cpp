#include "tests/e2e_wine/WineStation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace th::test {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool IsServer(const fs::path& proc) {
  std::ifstream comm(proc / "comm");
  std::string command;
  std::getline(comm, command);
  return command.rfind("wineserver", 0) == 0;
}

// The wine server of the session: the one tools/wine-tests.sh started and
// names, since a stray server of the same prefix may be about; otherwise the
// process named wineserver* whose environment names the prefix, or the only one.
pid_t FindServer() {
  if (const std::string named = Env("TIDEHAUL_WINESERVER_PID");
      !named.empty() && IsServer("/proc/" + named)) {
    return std::stoi(named);
  }
  const std::string prefix = "WINEPREFIX=" + WineSession::Prefix().string();
  pid_t only = -1;
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos || !IsServer(entry.path())) {
      continue;
    }
    const pid_t pid = std::stoi(name);
    std::ifstream environ(entry.path() / "environ");
    const std::string env((std::istreambuf_iterator<char>(environ)), {});
    if (env.find(prefix + '\0') != std::string::npos) {
      return pid;
    }
    only = pid;
    ++count;
  }
  return count == 1 ? only : -1;
}

}  // namespace

bool WineSession::Available() {
  return !Env("TIDEHAUL_WIN_BIN").empty() && !Env("WINEPREFIX").empty() &&
         !Env("DISPLAY").empty() && fs::exists(WindowsBin() / "tidehaul.exe");
}

fs::path WineSession::WindowsBin() {
  return Env("TIDEHAUL_WIN_BIN");
}

fs::path WineSession::Prefix() {
  return Env("WINEPREFIX");
}

double WineSession::ServerCpuSeconds() {
  const pid_t server = FindServer();
  if (server < 0) {
    return 0;
  }
  // Each thread's time on a CPU in nanoseconds: the first field of its
  // schedstat. The process's tick counts would be too coarse for the idle rate.
  std::uint64_t nanoseconds = 0;
  std::error_code error;
  for (const auto& task :
       fs::directory_iterator("/proc/" + std::to_string(server) + "/task", error)) {
    std::ifstream schedstat(task.path() / "schedstat");
    std::uint64_t onCpu = 0;
    if (schedstat >> onCpu) {
      nanoseconds += onCpu;
    }
  }
  return static_cast<double>(nanoseconds) / 1e9;
}

std::vector<std::string> WineSession::Command(const std::vector<std::string>& programAndArgs) {
  std::vector<std::string> args = {"/usr/bin/env", "DISPLAY=" + Env("DISPLAY"), "wine"};
  args.insert(args.end(), programAndArgs.begin(), programAndArgs.end());
  return args;
}

WineStation::WineStation() {
  fs::copy_file(WineSession::WindowsBin() / "tidehaul.exe", file("tidehaul.exe"));
  defaultSettings(WindowsPath(file("data")));
}

WineStation::~WineStation() {
  tool_.reset();
  sim_.reset();
  fs::remove(WineSession::Prefix() / "dosdevices" / "com3");
}

std::string WineStation::WindowsPath(const fs::path& path) {
  std::string out = "Z:" + fs::absolute(path).string();
  for (char& c : out) {
    if (c == '/') {
      c = '\\';
    }
  }
  return out;
}

void WineStation::startLogger(const std::vector<std::string>& options) {
  const fs::path link = WineSession::Prefix() / "dosdevices" / "com3";
  fs::remove(link);
  std::vector<std::string> all = options;
  if (!Env("TIDEHAUL_MODEM_LINES").empty()) {
    all.insert(all.end(), {"--modem-lines", "--stretch-line-sleeps"});
  }
  startSimulator(link, all);
}

std::vector<std::pair<std::int64_t, std::string>> WineStation::transcript(
    const std::string& kind) const {
  std::vector<std::pair<std::int64_t, std::string>> entries;
  std::istringstream lines(ReadWholeFile(file("logger.log")));
  std::string line;
  const std::string marker = " " + kind;
  while (std::getline(lines, line)) {
    const std::size_t at = line.find(' ');
    if (at == std::string::npos || line.compare(at, marker.size(), marker) != 0) {
      continue;
    }
    const std::size_t text = at + marker.size();
    entries.emplace_back(std::stoll(line.substr(0, at)),
                         text < line.size() ? line.substr(text + 1) : "");
  }
  return entries;
}

std::string Exported(const fs::path& dir, const std::string& name) {
  return ReadWholeFile(dir / "exported" / "SL01" / name);
}

std::string LinuxDataFile(const std::vector<std::string>& settings,
                          const std::vector<std::string>& logger) {
  Station station;
  if (!settings.empty()) {
    station.settings(settings);
  }
  station.startLogger(logger);
  EXPECT_TRUE(station.runJob());
  EXPECT_EQ(station.rejected(), 0);
  return station.dataFile("CR000.TXT");
}

void WineStation::startTool() {
  tool_ = std::make_unique<Process>(WineSession::Command({file("tidehaul.exe").string()}));
}

int WineStation::send(const std::vector<std::string>& args) {
  std::vector<std::string> command = {(WineSession::WindowsBin() / "tidehaul-send.exe").string()};
  command.insert(command.end(), args.begin(), args.end());
  return RunToEnd(WineSession::Command(command));
}

int WineStation::runWindowsProgram(const std::string& program, const std::vector<std::string>& args,
                                   const std::string& out) {
  std::vector<std::string> command = {(WineSession::WindowsBin() / program).string()};
  command.insert(command.end(), args.begin(), args.end());
  Process p(WineSession::Command(command), out);
  return p.wait(Seconds(60)) ? p.exitCode() : -1;
}

bool WineStation::runJob() {
  startTool();
  const int sent = send({"--wait", "30", std::to_string(kDevice)});
  const bool toolEnded = waitTool(120);
  const bool simEnded = sim_ == nullptr || sim_->wait(Seconds(10));
  if (sent != 0 || !toolEnded || !simEnded) {
    std::fprintf(stderr, "job: send exit %d, tool %s, simulator %s\n%s", sent,
                 toolEnded ? "ended" : "still running", simEnded ? "ended" : "still running",
                 ReadWholeFile(file("sim.out")).c_str());
    return false;
  }
  return true;
}

bool WineStation::waitTool(double seconds) {
  return tool_ != nullptr && tool_->wait(Seconds(seconds));
}

}  // namespace th::test
