// tidehaul-send [--pid PID] [--wait SECONDS] TEXT | --help | --version
// Names the device for a running tidehaul through its control socket.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tools/send/ControlClient.h"

namespace {

constexpr int kReplyTimeoutMs = 10000;
constexpr auto kRetryPause = std::chrono::milliseconds(100);

constexpr const char* kUsage =
    "usage: tidehaul-send [--pid PID] [--wait SECONDS] TEXT\n"
    "       tidehaul-send --help | --version\n"
    "Sends TEXT (the device number) to the running tidehaul of this user, or to the\n"
    "one with process id PID; --wait keeps looking for it that many seconds.\n"
    "Exit status: 0 once the tool answered, 1 when it could not be reached, 2 for a\n"
    "bad command line.\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "tidehaul-send: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

bool ParseWhole(const std::string& s, long max, long& out) {
  if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  out = std::stol(s);
  return out <= max;
}

std::string PidList(const std::vector<int>& pids) {
  std::string list;
  for (const int pid : pids) {
    list += (list.empty() ? "" : ", ") + std::to_string(pid);
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  long pid = -1;
  long waitSeconds = 0;
  std::vector<std::string> texts;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("tidehaul-send %s\n", TIDEHAUL_VERSION);
      return 0;
    }
    if (arg == "--pid" || arg == "--wait") {
      if (i + 1 == argc) {
        return Usage(arg + " needs a value");
      }
      const long max = arg == "--pid" ? 999999999 : 86400;
      long value = 0;
      if (!ParseWhole(argv[++i], max, value)) {
        return Usage(arg + " needs a whole number from 0 to " + std::to_string(max) + ", not \"" +
                     argv[i] + "\"");
      }
      (arg == "--pid" ? pid : waitSeconds) = value;
    } else if (arg == "--") {
      for (++i; i < argc; ++i) {
        texts.emplace_back(argv[i]);
      }
    } else if (arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9')) {
      return Usage("unknown option " + arg);
    } else {
      texts.push_back(arg);
    }
  }
  if (texts.size() != 1) {
    return Usage(texts.empty() ? "no TEXT given" : "give exactly one TEXT");
  }
  const th::Text text = th::FromUtf8(texts[0]);
  if (text.size() > 32767) {
    return Usage("TEXT is longer than 32767 UTF-16 units");
  }
  const auto frame = th::send::EncodeMessage(text);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  for (;;) {
    const bool lastTry = std::chrono::steady_clock::now() >= deadline;
    long target = pid;
    if (target < 0) {
      const auto found = th::send::FindOwnInstances();
      if (!found.error.empty()) {
        std::fprintf(stderr, "tidehaul-send: %s\n", found.error.c_str());
        return 1;
      }
      const auto& pids = found.pids;
      if (pids.size() > 1) {
        std::fprintf(stderr,
                     "tidehaul-send: several tidehaul instances of this user run (process ids "
                     "%s); pick one with --pid\n",
                     PidList(pids).c_str());
        return 1;
      }
      if (pids.empty()) {
        if (lastTry) {
          std::fprintf(stderr, "tidehaul-send: no running tidehaul of this user found\n");
          return 1;
        }
        std::this_thread::sleep_for(kRetryPause);
        continue;
      }
      target = pids[0];
    }
    const auto r =
        th::send::SendMessage("TfTidehaul." + std::to_string(target), frame, kReplyTimeoutMs);
    if (r.ok) {
      return 0;
    }
    if (!r.notListening || lastTry) {
      std::fprintf(stderr, "tidehaul-send: %s\n", r.error.c_str());
      return 1;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
}
