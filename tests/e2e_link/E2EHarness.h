#pragma once
// One run of the real tool against the simulated logger: a temporary
// directory with a copy of the tool, its Setting.dat and the simulator's link
// "COMn"; the control message sent with tidehaul-send; what the tool, the
// simulator and the log left behind.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/Setup.h"
#include "tests/support/TestPlatform.h"

namespace th::test {

struct Outcome {
  int toolStatus = -1;                // exit status, -1 when it had to be killed
  double wallMs = 0;                  // from the tool's start to its exit
  double cpuMs = 0;                   // the tool's user + system time
  std::string log;                    // LogFile.Log
  std::vector<std::string> commands;  // the simulator's "CMD <name> <line>", in order
  std::vector<std::int64_t> commandMs;
  std::vector<std::string> transcript;  // every transcript line, without the time
  std::string state;                    // the simulator's final state (JSON text)
  int simStatus = -1;
};

class E2ERun {
 public:
  E2ERun();
  ~E2ERun();
  E2ERun(const E2ERun&) = delete;
  E2ERun& operator=(const E2ERun&) = delete;

  // Record `index` of Setting.dat.
  Setup& device(int index) { return table_.at(static_cast<std::size_t>(index)); }
  // Starts the simulator on <dir>/COM<port> with these extra options, the
  // tool, sends `text`, and waits for both to end.
  Outcome run(int port, const std::vector<std::string>& simOptions, const std::string& text,
              std::chrono::seconds limit = std::chrono::seconds(120));
  const TempDir& dir() const { return dir_; }

  // Where the programs are; empty when one is missing.
  static std::string missingProgram();

 private:
  TempDir dir_;
  DeviceTable table_{};
  pid_t sim_ = -1;
  pid_t tool_ = -1;
};

// A direct or modem device named "Station 4", logger id 01, 9600 baud.
void ConfigureDevice(Setup& s, int port, const std::string& type);

}  // namespace th::test
