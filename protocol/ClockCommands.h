#pragma once
#include <cstdint>

#include "platform/PlatformServices.h"
#include "platform/Text.h"

namespace th {

class Tidehaul;

// "yy mm dd hh mm", as the logger's set-clock command takes its time.
Text LoggerClockText(const LocalDateTime& t);

// The logger's clock: read (proves a modem line) and set to the PC's time.
class ClockCommands {
 public:
  explicit ClockCommands(Tidehaul& unit) : u_(unit) {}

  // True when a line with "READ" in any case answered within 51 steps of 300 ms.
  bool PROGRAM_COMMAND_TimeRead(std::int32_t nNo);
  // Goes on counting from the preceding exchange's step count; sends only once
  // it passed 20. No answer logs "DataLogger no answer -" and returns False.
  bool PROGRAM_COMMAND_TimeSetting(std::int32_t nNo);

 private:
  Tidehaul& u_;
};

}  // namespace th
