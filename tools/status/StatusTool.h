#pragma once
// tidehaul-status: the state of a network of stations from their job records.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/status/Reports.h"

namespace th::status {

struct StatusClock {
  std::int64_t now = 0;  // Unix seconds
  LocalTimeText localTime;
};

// The system's clock and time zone; `nowOverride` (TIDEHAUL_STATUS_NOW, for
// tests) fixes "now" when it is an ISO 8601 time with its offset. False when
// the override is there but not such a time.
bool SystemClock(const char* nowOverride, StatusClock& clock);

// args without the program name. Returns the exit status (see kUsage).
int RunStatusTool(const std::vector<std::string>& args, const StatusClock& clock, std::ostream& out,
                  std::ostream& err);

}  // namespace th::status
