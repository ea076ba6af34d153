#pragma once
// Moves bytes between a pseudo-terminal and the logger model. It sleeps in
// poll on the master, an inotify watch on the slave device (which tells when
// the tool opens and closes the port) and a signalfd: nothing spins.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tools/logger-sim/FileSetup.h"
#include "tools/logger-sim/LoggerModel.h"
#include "tools/logger-sim/ModemLineLink.h"

namespace th::sim {

class PtyRunner {
 public:
  struct Options {
    std::string link;
    std::string statePath;
    std::string exportHeldDir;
    bool exitAfterHangup = false;
    double timeoutSec = 0;
    std::int64_t unplugGapMs = 1000;
    // Modem lines through the shim (ModemLineLink), their changes written
    // to `linesSink`.
    bool modemLines = false;
    bool stretchLineSleeps = false;
    EventSink linesSink;
  };

  explicit PtyRunner(Options options) : options_(std::move(options)) {}
  ~PtyRunner();
  PtyRunner(const PtyRunner&) = delete;
  PtyRunner& operator=(const PtyRunner&) = delete;

  // Creates the pseudo-terminal (raw), the watches and the link.
  bool setUp(std::string& error);
  const std::string& device() const { return device_; }

  // Milliseconds since start(); the model's time base.
  void start() { start_ = std::chrono::steady_clock::now(); }
  std::int64_t now() const;

  // Serves until a signal, the hang-up or unplug (when asked) or the
  // time-out; returns the reason: "signal", "hangup", "unplug" or "timeout".
  std::string run(LoggerModel& model);
  // The state file and the held files' export.
  void writeState(const LoggerModel& model, std::string_view exitReason);
  // What the model reported (its event sink), for the modem lines.
  void event(std::int64_t ms, std::string_view kind, std::string_view text);

 private:
  bool openPty(std::string& error);
  bool makeLink(std::string& error);
  // The modem lines of the current pseudo-terminal, when asked for.
  bool linkLines(std::string& error);
  void removeLink();
  bool handleWatch(LoggerModel& model);
  void drainMaster(LoggerModel& model);
  void flushOutput(LoggerModel& model);
  void lineClosed(LoggerModel& model);
  bool unplug(LoggerModel& model);
  void replug(LoggerModel& model);

  Options options_;
  std::string device_;
  int master_ = -1;
  int holder_ = -1;  // our own slave descriptor: keeps the master from hanging up
  int watch_ = -1;   // inotify
  int wd_ = -1;      // its watch on the current device
  int signals_ = -1;
  bool linked_ = false;
  std::chrono::steady_clock::time_point start_;

  int openCount_ = 0;
  bool rxSinceOpen_ = false;
  bool wantOut_ = false;
  std::int64_t masterPausedUntil_ = -1;
  std::string pending_;
  std::size_t pendingOff_ = 0;
  std::uint64_t savedVersion_ = ~std::uint64_t{0};
  std::uint64_t savedFilesVersion_ = ~std::uint64_t{0};
  std::optional<HeldExport> held_;

  std::int64_t replugAt_ = -1;  // when an unplugged adapter comes back
  std::unique_ptr<ModemLineLink> lines_;
};

}  // namespace th::sim
