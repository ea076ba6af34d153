#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// The logger's clock: read (proves a modem line) and set to the PC's time.
class ClockCommands {
 public:
  explicit ClockCommands(Tidehaul& unit) : u_(unit) {}

  bool PROGRAM_COMMAND_TimeRead(std::int32_t nNo);
  bool PROGRAM_COMMAND_TimeSetting(std::int32_t nNo);

 private:
  Tidehaul& u_;
};

}  // namespace th
