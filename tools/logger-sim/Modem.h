#pragma once
// A Hayes-style modem in front of the logger. In command state it takes the
// tool's lines itself (initialisation, dial, anything else is an error);
// online it passes them to the logger and watches for the escape "+++",
// which hangs up.
#include <cstdint>
#include <string>

#include "tools/logger-sim/Journal.h"
#include "tools/logger-sim/LineFaults.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/Replies.h"

namespace th::sim {

class Modem {
 public:
  Modem(const ModelConfig& config, Journal& journal, Replies& replies, LineFaults& faults)
      : config_(config), journal_(journal), replies_(replies), faults_(faults) {}

  // Between the RING lines before a dial's answer (--ring).
  static constexpr std::int64_t kRingPeriodMs = 1000;

  bool online() const { return journal_.state().online; }
  // A line in command state; true when it brought the carrier up.
  bool commandLine(const std::string& line, std::int64_t now);
  // The escape while online: the modem hangs up and drops what was queued.
  void hangup(std::int64_t now);
  // The carrier or DTR went.
  void goOffline() { journal_.state().online = false; }
  // DTR fell while online (seen only with modem lines): the modem drops the
  // call, and what was queued with it, and says NO CARRIER.
  void dtrDropped(std::int64_t now);

 private:
  void answer(Cmd cmd, ModemReply r, std::int64_t now);

  const ModelConfig& config_;
  Journal& journal_;
  Replies& replies_;
  LineFaults& faults_;
};

}  // namespace th::sim
