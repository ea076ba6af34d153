#pragma once
// The monitoring-plugin view: each station device is OK, WARNING or CRITICAL
// by the age of its last complete fetch; a folder that cannot be read or
// holds no job record is UNKNOWN.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/status/StationScan.h"

namespace th::status {

enum class CheckState { Ok, Warning, Critical, Unknown };

struct AgeLimits {
  std::optional<std::int64_t> warnAge;  // seconds
  std::optional<std::int64_t> maxAge;
  bool any() const { return warnAge || maxAge; }
};

// "OK", "WARNING", "CRITICAL", "UNKNOWN".
const char* CheckStateName(CheckState state);
// The plugin exit status: 0, 1, 2, 3.
int CheckExitCode(CheckState state);

// A device row: older than the limit, or no complete fetch at all, is behind.
CheckState RowState(const DeviceStatus& row, std::int64_t now, const AgeLimits& limits);

// The whole: CRITICAL when any row is, else UNKNOWN when any folder is, else
// WARNING when any row is, else OK.
CheckState OverallState(const std::vector<StationReport>& stations, std::int64_t now,
                        const AgeLimits& limits);

// The first line: "TIDEHAUL CRITICAL - 1 of 12 stations behind: ... | perfdata".
std::string CheckSummary(const std::vector<StationReport>& stations, std::int64_t now,
                         const AgeLimits& limits);

// A row as the summary names it: "/srv/station4 #3 Station 4".
std::string RowLabel(const StationReport& station, const DeviceStatus& row);

}  // namespace th::status
