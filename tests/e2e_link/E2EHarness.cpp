#include "tests/e2e_link/E2EHarness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace th::test {

namespace {

namespace fs = std::filesystem;

std::string Bin(const std::string& name) {
  return std::string(TIDEHAUL_BIN_DIR) + "/" + name;
}

void SetText(auto& field, const std::string& value) {
  if (!field.setBytes(value)) {
    throw std::runtime_error("settings text too long: " + value);
  }
}

// fork + exec with the given working directory; stdout to `outFd` when >= 0.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& cwd, int outFd) {
  std::vector<char*> args;
  args.reserve(argv.size());
  for (const auto& a : argv) {
    args.push_back(const_cast<char*>(a.c_str()));
  }
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    throw std::runtime_error("fork failed");
  }
  if (pid == 0) {
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) {
      ::_exit(127);
    }
    if (outFd >= 0) {
      ::dup2(outFd, STDOUT_FILENO);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

// Waits for `pid` up to `limit`, then sends `signal` and waits for the end.
// Returns the exit status (-1 for an end by signal) and the resource use;
// `timedOut` tells whether the signal was needed.
int WaitFor(pid_t pid, std::chrono::milliseconds limit, int signal, rusage* usage = nullptr,
            bool* timedOut = nullptr) {
  const auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  rusage ru{};
  bool late = false;
  for (;;) {
    const pid_t got = ::wait4(pid, &status, WNOHANG, &ru);
    if (got == pid || got < 0) {
      break;
    }
    if (std::chrono::steady_clock::now() > end) {
      late = true;
      ::kill(pid, signal);
      ::wait4(pid, &status, 0, &ru);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (usage != nullptr) {
    *usage = ru;
  }
  if (timedOut != nullptr) {
    *timedOut = late;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Reads lines from `fd` until one equals `want` or the time is up.
bool ReadUntil(int fd, const std::string& want, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  std::string buffer;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return false;
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      continue;
    }
    char chunk[256];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) {
      return false;
    }
    buffer.append(chunk, static_cast<std::size_t>(n));
    std::size_t eol;
    while ((eol = buffer.find('\n')) != std::string::npos) {
      if (buffer.substr(0, eol) == want) {
        return true;
      }
      buffer.erase(0, eol + 1);
    }
  }
}

double Ms(const timeval& t) {
  return t.tv_sec * 1000.0 + t.tv_usec / 1000.0;
}

}  // namespace

void ConfigureDevice(Setup& s, int port, const std::string& type) {
  SetText(s.DeviceSet.DeviceName, "Station 4");
  SetText(s.DeviceSet.LogID, "01");
  s.PortSet.COMPORT.set(port);
  SetText(s.PortSet.Baudrate, "9600");
  SetText(s.PortSet.Parity, "None");
  SetText(s.PortSet.StopBits, "1");
  SetText(s.ModemSet.ModemType, type);
  if (type != "Direct") {
    SetText(s.ModemSet.Command, "ATZ");
    SetText(s.ModemSet.CallCMD, "ATD");
    SetText(s.ModemSet.ModemNo, "0123");
    SetText(s.ModemSet.DiscntCMD, "ATH");
  }
  SetText(s.SaveFileSet.FileName1, "CR000");
  SetText(s.SaveFileSet.FileName2, "CR001");
}

std::string E2ERun::missingProgram() {
  for (const char* name : {"tidehaul", "tidehaul-send", "tidehaul-logger-sim"}) {
    if (!fs::exists(Bin(name))) {
      return Bin(name);
    }
  }
  return {};
}

E2ERun::E2ERun() = default;

E2ERun::~E2ERun() {
  for (const pid_t pid : {tool_, sim_}) {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
}

Outcome E2ERun::run(int port, const std::vector<std::string>& simOptions, const std::string& text,
                    std::chrono::seconds limit) {
  const std::string dir = dir_.str();
  fs::copy_file(Bin("tidehaul"), dir + "/tidehaul");
  fs::permissions(dir + "/tidehaul", fs::perms::owner_all);
  for (auto& s : table_) {
    SetText(s.SaveFileSet.SavePath, dir);
  }
  WriteWholeFile(dir + "/Setting.dat",
                 std::string(reinterpret_cast<const char*>(table_.data()), sizeof table_));

  int out[2];
  if (::pipe(out) != 0) {
    throw std::runtime_error("pipe failed");
  }
  std::vector<std::string> simArgs = {Bin("tidehaul-logger-sim"),
                                      "--link",
                                      dir + "/COM" + std::to_string(port),
                                      "--transcript",
                                      dir + "/sim.log",
                                      "--state",
                                      dir + "/sim.json",
                                      "--timeout",
                                      std::to_string(limit.count() + 10)};
  simArgs.insert(simArgs.end(), simOptions.begin(), simOptions.end());
  sim_ = Spawn(simArgs, dir, out[1]);
  ::close(out[1]);
  const bool ready = ReadUntil(out[0], "READY", std::chrono::seconds(10));
  if (!ready) {
    ::close(out[0]);
    throw std::runtime_error("the simulator did not get ready");
  }

  const auto start = std::chrono::steady_clock::now();
  tool_ = Spawn({dir + "/tidehaul"}, dir, -1);
  const pid_t sender =
      Spawn({Bin("tidehaul-send"), "--pid", std::to_string(tool_), "--wait", "10", text}, dir, -1);
  const int sendStatus = WaitFor(sender, std::chrono::seconds(20), SIGKILL);

  Outcome o;
  rusage ru{};
  bool killed = false;
  o.toolStatus = WaitFor(tool_, limit, SIGKILL, &ru, &killed);
  if (killed) {
    o.toolStatus = -1;
  }
  o.wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  o.cpuMs = Ms(ru.ru_utime) + Ms(ru.ru_stime);
  tool_ = -1;
  if (sendStatus != 0) {
    o.toolStatus = -2;
  }

  // The simulator ends by itself after the hang-up; otherwise it is told to.
  o.simStatus = WaitFor(sim_, std::chrono::seconds(3), SIGTERM);
  sim_ = -1;
  ::close(out[0]);

  o.log = ReadWholeFile(dir + "/LogFile.Log");
  o.state = ReadWholeFile(dir + "/sim.json");
  std::istringstream transcript(ReadWholeFile(dir + "/sim.log"));
  for (std::string line; std::getline(transcript, line);) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) {
      continue;
    }
    const std::string rest = line.substr(blank + 1);
    o.transcript.push_back(rest);
    if (rest.rfind("CMD ", 0) == 0) {
      o.commands.push_back(rest.substr(4));
      o.commandMs.push_back(std::stoll(line.substr(0, blank)));
    }
  }
  return o;
}

}  // namespace th::test
