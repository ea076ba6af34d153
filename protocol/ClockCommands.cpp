#include "protocol/ClockCommands.h"

#include "app/Tidehaul.h"

namespace th {

// Placeholders until the clock commands land.
bool ClockCommands::PROGRAM_COMMAND_TimeRead(std::int32_t nNo) {
  (void)nNo;
  (void)u_;
  return false;
}

bool ClockCommands::PROGRAM_COMMAND_TimeSetting(std::int32_t nNo) {
  (void)nNo;
  return false;
}

}  // namespace th
