#pragma once
// The data logger behind the line (or the modem): its clock, terminal mode
// and the dispatch of every line it receives; the file commands are served by
// FileCommands. A dropped carrier makes it deaf until the line comes back.
#include <cstdint>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "tools/logger-sim/FileCommands.h"
#include "tools/logger-sim/Journal.h"
#include "tools/logger-sim/LineFaults.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/Replies.h"

namespace th::sim {

class DataLogger {
 public:
  // Seconds since 1970 of the PC's clock; the logger's clock runs beside it.
  using WallClock = std::function<std::time_t()>;
  // The logger dropped the carrier: whatever stands in front must notice.
  using CarrierDropped = std::function<void()>;

  DataLogger(const ModelConfig& config, Journal& journal, Replies& replies, FileCommands& files,
             LineFaults& faults, WallClock wall, CarrierDropped dropped);

  // A line that reached the logger.
  void line(const std::string& line, std::int64_t now);
  // The modem in front hung up or lost DTR: terminal mode ends with the call.
  void leaveTerminal() { journal_.state().terminal = false; }
  // A new call or a reopened port: the logger hears the line again.
  void lineBack() { journal_.state().lineLost = false; }

 private:
  void serve(Cmd cmd, std::string_view arg, bool dropCarrierInRead, std::int64_t now);
  void setClock(std::string_view arg, std::int64_t now);
  void dropCarrier(Cmd cmd, std::int64_t now);
  std::string clockText(bool seconds) const;
  std::string tagged(std::string line);

  const ModelConfig& config_;
  Journal& journal_;
  Replies& replies_;
  FileCommands& files_;
  LineFaults& faults_;
  WallClock wall_;
  CarrierDropped dropped_;
  std::int64_t clockOffset_ = 0;
  std::mt19937 rng_;
};

}  // namespace th::sim
