#pragma once
// The simulator's modem lines (--modem-lines), in a session with the
// modem-line shim (tools/wine-shim): its pseudo-terminal shows DSR and CTS,
// and DCD while the modem is online; DTR falling while the modem is online
// hangs it up; RI rings with each RING the modem says. The changes of DTR and
// RTS the tool makes are written to the transcript (kind DTE), those of the
// simulator's lines too (kind DCE). Without --modem-lines none of this exists
// and the pseudo-terminal has no modem lines, as a pty has none.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "tools/logger-sim/EventSink.h"
#include "tools/logger-sim/LoggerModel.h"
#include "tools/wine-shim/ModemLineFile.h"

namespace th::sim {

class ModemLineLink {
 public:
  // `stretched`: let the shim stretch Wine's sleeps between its looks at the
  // lines (for CPU figures; ModemLineState.h).
  ModemLineLink(EventSink sink, bool stretched) : sink_(std::move(sink)), stretched_(stretched) {}
  ~ModemLineLink();
  ModemLineLink(const ModemLineLink&) = delete;
  ModemLineLink& operator=(const ModemLineLink&) = delete;

  // Gives the pseudo-terminal `slave` its lines; false with the reason when
  // there is no shim session or the state file cannot be made.
  bool setUp(const std::string& slave, std::string& error);
  // Readable when the tool changed DTR or RTS: then call dteChanged.
  int fd() const { return wake_[0]; }
  void dteChanged(LoggerModel& model, std::int64_t now);
  // The lines as the model stands once everything it queued has gone out
  // (`idle`): DCD follows the modem's being online, and RI ends its ring.
  void update(const LoggerModel& model, bool idle, std::int64_t now);
  // What the model reported: RING going out rings RI.
  void event(std::int64_t now, std::string_view kind, std::string_view text);
  // When update must run next (RI's end), if ever.
  std::optional<std::int64_t> nextDue() const { return ringEnds_; }

 private:
  void set(std::uint32_t lines, std::int64_t now);

  EventSink sink_;
  bool stretched_;
  std::unique_ptr<modemlines::ModemLineFile> file_;
  std::thread waiter_;
  std::atomic<bool> stopping_{false};
  int wake_[2] = {-1, -1};
  std::uint32_t seen_ = 0;
  std::uint32_t dte_ = 0;
  std::optional<std::int64_t> ringEnds_;
};

}  // namespace th::sim
