#pragma once
// A station on this machine: the built tool copied into a temporary directory
// with its settings, a simulated logger on a pseudo-terminal linked as COM3,
// and the parent program's part: start the tool, name the device, wait.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestPlatform.h"

namespace th::test {

using Seconds = std::chrono::duration<double>;

// A started program; killed if a test leaves it running.
class Process {
 public:
  // Standard output goes to `out` when given; standard error is dropped.
  explicit Process(const std::vector<std::string>& args, const std::string& out = "/dev/null");
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  // Waits up to `limit`; true when it ended.
  bool wait(Seconds limit);
  int exitCode() const;
  // Peak resident memory (kB) and CPU seconds (user + system), once ended.
  long maxRssKb() const { return maxRssKb_; }
  double cpuSeconds() const { return cpu_; }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool exited_ = false;
  long maxRssKb_ = 0;
  double cpu_ = 0;
};

int RunToEnd(const std::vector<std::string>& args);

// What every station has, whichever build of the tool it runs: a temporary
// folder with Setting.dat and a data folder, the simulated logger, and what
// the two leave behind.
class StationFolder {
 public:
  static constexpr int kDevice = 3;

  StationFolder() = default;
  StationFolder(const StationFolder&) = delete;
  StationFolder& operator=(const StationFolder&) = delete;

  const std::filesystem::path& dir() const { return dir_.path(); }
  std::filesystem::path file(const std::string& name) const { return dir_.path() / name; }

  // Sets fields of record 3 through tidehaul-settings.
  void settings(const std::vector<std::string>& fields);

  std::string dataFile(const std::string& name) const;
  std::string log() const;
  // The simulator's final state, as JSON text.
  std::string state() const;
  // Paths the logger still holds, and those it deleted.
  std::vector<std::string> loggerFiles() const;
  std::vector<std::string> loggerDeleted() const;
  // Lines the simulator did not take: the tool's command bytes drifted.
  int rejected() const;

  Process* tool() { return tool_.get(); }
  // Ends a simulator that is still running (SIGTERM, so it writes its state).
  void stopLogger();

 protected:
  // A "Direct" device on COM3 whose data files go to `dataFolder` (as the
  // tool names it).
  void defaultSettings(const std::string& dataFolder);
  // Starts the simulator with its pseudo-terminal linked at `link` and these
  // extra options; waits for READY.
  void startSimulator(const std::filesystem::path& link, const std::vector<std::string>& options);

  TempDir dir_;
  std::unique_ptr<Process> sim_;
  std::unique_ptr<Process> tool_;
};

// How a job runs beyond naming the device.
struct JobControl {
  std::vector<std::string> launcher;  // the tool is started through this command, if any
  Seconds signalAfter{0};             // this long after the naming...
  int signal = 0;                     // ... the tool gets this signal (0: none)
  Seconds limit{120};                 // the tool must have ended by then
};

struct JobOutcome {
  bool named = false;      // tidehaul-send got its answer
  bool toolEnded = false;  // within the limit
  bool simEnded = false;   // within 10 s after the tool
  double seconds = 0;      // from the tool's start to its end (or the limit)
};

// The Linux tool, beside the simulator's pseudo-terminal as COM3.
class Station : public StationFolder {
 public:
  Station();
  // Starts the simulator with these extra options; waits for READY.
  void startLogger(const std::vector<std::string>& options);
  // Starts the tool, names device 3, waits for both to end. False on a hang.
  bool runJob();
  JobOutcome runJob(const JobControl& control);
};

// The data lines a logger file yields in the data files: fault tags removed as
// they complete, a year "08" replaced by `year`, lines without "-" or with "SD" dropped.
std::string ExpectedDataLines(const std::string& loggerFile, const std::string& year);
// Joined by position: line i of the first, then line i of the second less 17 characters.
std::string JoinedDataLines(const std::string& first, const std::string& second);
// The current two-digit year, as the tool takes it at start.
std::string CurrentYear();

}  // namespace th::test
