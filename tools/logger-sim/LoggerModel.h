#pragma once
// The far end of the line without any I/O: bytes the tool wrote go in, bytes
// the logger (or its modem) answers come out when they are due. Time is
// whatever the owner says it is (ms), so the same model serves a
// pseudo-terminal in real time and a test in virtual time.
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tools/logger-sim/Commands.h"
#include "tools/logger-sim/EventSink.h"
#include "tools/logger-sim/LoggerFiles.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/OutputQueue.h"

namespace th::sim {

struct ModelState {
  bool online = false;  // modem connected (always false for a direct logger)
  bool terminal = false;
  bool lineLost = false;  // a dropped carrier: the logger ignores the line
  std::string cwd = "\\";
  std::vector<std::string> deleted;
  std::vector<std::string> clockSets;
  int opens = 0;
  int closes = 0;
  int dials = 0;
  int hangups = 0;
  std::array<int, kCmdCount> commands{};
};

class LoggerModel {
 public:
  // Seconds since 1970 of the PC's clock; the logger's clock runs beside it.
  using WallClock = std::function<std::time_t()>;

  LoggerModel(ModelConfig config, LoggerFiles files, EventSink sink, WallClock wall);

  void receive(std::string_view bytes, std::int64_t now);
  // The tool opened or closed the port.
  void lineOpened(std::int64_t now);
  void lineClosed(std::int64_t now);

  std::string take(std::int64_t now, std::size_t max) { return out_.take(now, max); }
  std::optional<std::int64_t> nextDue(std::int64_t now) const { return out_.nextDue(now); }

  const ModelState& state() const { return state_; }
  const LoggerFiles& files() const { return files_; }
  const ModelConfig& config() const { return config_; }
  // Grows on every change worth saving in the state file.
  std::uint64_t version() const { return version_; }

 private:
  void handleLine(const std::string& line, std::int64_t now);
  void modemLine(const std::string& line, std::int64_t now);
  void loggerLine(const std::string& line, std::int64_t now);
  void hangup(std::int64_t now);
  void dropCarrier(Cmd cmd, std::int64_t now);

  void serveTimeSet(std::string_view arg, std::int64_t now);
  void serveDir(std::int64_t now);
  void serveFsize(std::string_view arg, std::int64_t now);
  void serveFread(std::string_view arg, std::int64_t now);
  void serveDel(std::string_view arg, std::int64_t now);
  void serveCd(std::string_view arg, std::int64_t now);

  bool muted(Cmd cmd) const;
  std::int64_t delayFor(Cmd cmd) const;
  void reply(Cmd cmd, std::string_view text, std::int64_t now);
  void modemReply(Cmd cmd, ModemReply r, std::int64_t now);
  void note(std::int64_t now, std::string_view text);
  std::string clockText(bool seconds) const;
  std::string tagged(std::string line);
  void changed() { ++version_; }

  ModelConfig config_;
  LoggerFiles files_;
  EventSink sink_;
  WallClock wall_;
  OutputQueue out_;
  ModelState state_;
  std::string line_;
  int plusRun_ = 0;
  std::int64_t clockOffset_ = 0;
  std::mt19937 rng_;
  std::uint64_t version_ = 0;
};

}  // namespace th::sim
