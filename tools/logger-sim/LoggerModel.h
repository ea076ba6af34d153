#pragma once
// The far end of the line without any I/O: bytes the tool wrote go in, bytes
// the logger (or its modem) answers come out when they are due. Time is
// whatever the owner says it is (ms), so the same model serves a
// pseudo-terminal in real time and a test in virtual time.
//
// It is composed of parts: the line input, a modem in front when there is one
// (Modem), the logger (DataLogger with its FileCommands and RecordWriter), the
// faults of the line (LineFaults), the reply queue they share (Replies,
// OutputQueue) and the Journal they report to.
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tools/logger-sim/DataLogger.h"
#include "tools/logger-sim/EventSink.h"
#include "tools/logger-sim/FileCommands.h"
#include "tools/logger-sim/Journal.h"
#include "tools/logger-sim/LineFaults.h"
#include "tools/logger-sim/LineInput.h"
#include "tools/logger-sim/LoggerFiles.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/ModelState.h"
#include "tools/logger-sim/Modem.h"
#include "tools/logger-sim/OutputQueue.h"
#include "tools/logger-sim/RecordWriter.h"
#include "tools/logger-sim/Replies.h"

namespace th::sim {

class LoggerModel {
 public:
  using WallClock = DataLogger::WallClock;

  static constexpr std::int64_t kUnplugGraceMs = LineFaults::kGraceMs;
  static constexpr std::size_t kRejectedKept = Journal::kRejectedKept;

  LoggerModel(ModelConfig config, LoggerFiles files, EventSink sink, WallClock wall);
  LoggerModel(const LoggerModel&) = delete;
  LoggerModel& operator=(const LoggerModel&) = delete;

  void receive(std::string_view bytes, std::int64_t now);
  // The tool opened or closed the port.
  void lineOpened(std::int64_t now);
  void lineClosed(std::int64_t now);
  // The tool dropped DTR (seen only with modem lines): a modem that is online
  // hangs up and says NO CARRIER.
  void dtrDropped(std::int64_t now);

  std::string take(std::int64_t now, std::size_t max);
  std::optional<std::int64_t> nextDue(std::int64_t now) const;

  // When the adapter is to go away (--unplug-after, --unplug-on), once due.
  std::optional<std::int64_t> unplugDue() const { return faults_.unplugDue(); }
  // The adapter went away: as a closed port, and the state says so.
  void unplugged(std::int64_t now);
  // It is back, on `device`.
  void pluggedIn(std::int64_t now, std::string_view device);

  const ModelState& state() const { return journal_.state(); }
  const LoggerFiles& files() const { return files_; }
  const ModelConfig& config() const { return config_; }
  // Grows on every change worth saving in the state file.
  std::uint64_t version() const { return journal_.version(); }
  // Grows whenever a file's content changes or a file goes.
  std::uint64_t filesVersion() const { return journal_.filesVersion(); }

 private:
  void handleLine(const std::string& line, std::int64_t now);
  // The tool's end of the line went (closed, or the adapter vanished).
  void portGone();
  // The call ended: the modem is offline and the logger leaves terminal mode.
  void callEnded();
  // An unplug may wait for the output to drain.
  void checkIdle(std::int64_t now);

  ModelConfig config_;
  LoggerFiles files_;
  Journal journal_;
  OutputQueue out_;
  Replies replies_;
  LineFaults faults_;
  RecordWriter records_;
  FileCommands fileCommands_;
  DataLogger logger_;
  std::optional<Modem> modem_;
  LineInput input_;
};

}  // namespace th::sim
