#include "tests/e2e_fetch/Station.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

extern char** environ;

namespace th::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const fs::path kBin = TIDEHAUL_BIN_DIR;

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : bytes) {
    if (c == '\n') {
      continue;
    }
    if (c == '\r') {
      lines.push_back(line);
      line.clear();
      continue;
    }
    line.push_back(c);
    for (const char* tag : {"E32", "E21", "E62", "E40", "E00"}) {
      for (std::size_t at = line.find(tag); at != std::string::npos; at = line.find(tag, at)) {
        line.erase(at, 3);
      }
    }
  }
  return lines;
}

bool Kept(const std::string& line) {
  return line.find('-') != std::string::npos && line.find("SD") == std::string::npos;
}

}  // namespace

Process::Process(const std::vector<std::string>& args, const std::string& out) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string var = *e;
    // The tool must pick its platform by itself, as on a station without a desktop.
    if (var.rfind("DISPLAY=", 0) != 0 && var.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
        var.rfind("QT_QPA_PLATFORM=", 0) != 0) {
      env.push_back(var);
    }
  }
  std::vector<char*> argv;
  std::vector<char*> envp;
  argv.reserve(args.size() + 1);
  envp.reserve(env.size() + 1);
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
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool Process::wait(Seconds limit) {
  const auto end = Clock::now() + limit;
  while (pid_ > 0 && !exited_ && Clock::now() < end) {
    rusage usage{};
    if (::wait4(pid_, &status_, WNOHANG, &usage) == pid_) {
      exited_ = true;
      maxRssKb_ = usage.ru_maxrss;
      cpu_ = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return exited_;
}

int Process::exitCode() const {
  return exited_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

int RunToEnd(const std::vector<std::string>& args) {
  Process p(args);
  return p.wait(Seconds(30)) ? p.exitCode() : -1;
}

void StationFolder::defaultSettings(const std::string& dataFolder) {
  fs::create_directory(file("data"));
  settings({"DeviceSet.DeviceName=Demo station", "DeviceSet.LogID=01", "PortSet.COMPORT=3",
            "PortSet.Baudrate=115200", "ModemSet.ModemType=Direct",
            "SaveFileSet.SavePath=" + dataFolder, "SaveFileSet.FileName1=CR000",
            "SaveFileSet.FileName2=CR001"});
}

void StationFolder::settings(const std::vector<std::string>& fields) {
  std::vector<std::string> args = {(kBin / "tidehaul-settings").string(), "set",
                                   file("Setting.dat").string(), std::to_string(kDevice)};
  args.insert(args.end(), fields.begin(), fields.end());
  if (RunToEnd(args) != 0) {
    throw std::runtime_error("tidehaul-settings failed");
  }
}

void StationFolder::startSimulator(const fs::path& link, const std::vector<std::string>& options) {
  std::vector<std::string> args = {(kBin / "tidehaul-logger-sim").string(),
                                   "--link",
                                   link.string(),
                                   "--state",
                                   file("logger.json").string(),
                                   "--transcript",
                                   file("logger.log").string(),
                                   "--export",
                                   file("exported").string(),
                                   "--export-held",
                                   file("held").string(),
                                   "--exit-after-hangup",
                                   "--timeout",
                                   "150"};
  args.insert(args.end(), options.begin(), options.end());
  sim_ = std::make_unique<Process>(args, file("sim.out").string());
  const auto end = Clock::now() + Seconds(10);
  while (Clock::now() < end) {
    if (ReadWholeFile(file("sim.out")).find("READY") != std::string::npos) {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  throw std::runtime_error("the simulator did not get ready");
}

std::string StationFolder::dataFile(const std::string& name) const {
  return ReadWholeFile(file("data") / name);
}

std::string StationFolder::log() const {
  return ReadWholeFile(file("LogFile.Log"));
}

std::string StationFolder::state() const {
  return ReadWholeFile(file("logger.json"));
}

std::vector<std::string> StationFolder::loggerFiles() const {
  std::vector<std::string> out;
  const nlohmann::json json = nlohmann::json::parse(state());
  for (const auto& f : json.at("files")) {
    out.push_back(f.at("path").get<std::string>());
  }
  return out;
}

int StationFolder::rejected() const {
  return nlohmann::json::parse(state()).at("rejected").get<int>();
}

std::vector<std::string> StationFolder::loggerDeleted() const {
  return nlohmann::json::parse(state()).at("deleted").get<std::vector<std::string>>();
}

Station::Station() {
  fs::copy_file(kBin / "tidehaul", file("tidehaul"));
  defaultSettings(file("data").string());
}

void Station::startLogger(const std::vector<std::string>& options) {
  startSimulator(file("COM3"), options);
}

bool Station::runJob() {
  const JobOutcome outcome = runJob(JobControl{});
  return outcome.named && outcome.toolEnded && outcome.simEnded;
}

JobOutcome Station::runJob(const JobControl& control) {
  std::vector<std::string> args = control.launcher;
  args.push_back(file("tidehaul").string());
  const auto start = Clock::now();
  tool_ = std::make_unique<Process>(args);
  JobOutcome outcome;
  outcome.named =
      RunToEnd({(kBin / "tidehaul-send").string(), "--pid", std::to_string(tool_->pid()), "--wait",
                "10", std::to_string(kDevice)}) == 0;
  if (control.signal != 0 && !tool_->wait(control.signalAfter)) {
    ::kill(tool_->pid(), control.signal);
  }
  outcome.toolEnded = tool_->wait(control.limit - (Clock::now() - start));
  outcome.seconds = Seconds(Clock::now() - start).count();
  outcome.simEnded = sim_ == nullptr || sim_->wait(Seconds(10));
  return outcome;
}

void StationFolder::stopLogger() {
  if (sim_ != nullptr && !sim_->wait(Seconds(0))) {
    ::kill(sim_->pid(), SIGTERM);
    sim_->wait(Seconds(10));
  }
}

std::string ExpectedDataLines(const std::string& loggerFile, const std::string& year) {
  std::string out;
  for (std::string line : SplitLines(loggerFile)) {
    if (line.rfind("08", 0) == 0) {
      line.replace(0, 2, year);
    }
    if (Kept(line)) {
      out += line + "\r\n";
    }
  }
  return out;
}

std::string JoinedDataLines(const std::string& first, const std::string& second) {
  const auto a = SplitLines(first);
  const auto b = SplitLines(second);
  std::string out;
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    std::string line;
    if (i < a.size() && i < b.size()) {
      line = a[i] + (b[i].size() > 17 ? b[i].substr(17) : std::string());
    } else {
      line = i < a.size() ? a[i] : b[i];
    }
    if (Kept(line)) {
      out += line + "\r\n";
    }
  }
  return out;
}

std::string CurrentYear() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  const int yy = tm.tm_year % 100;
  return std::string{static_cast<char>('0' + yy / 10), static_cast<char>('0' + yy % 10)};
}

}  // namespace th::test
