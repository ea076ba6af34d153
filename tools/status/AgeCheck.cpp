#include "tools/status/AgeCheck.h"

#include "tools/status/TimeText.h"

namespace th::status {

namespace {

// The summary line names this many rows at most.
constexpr std::size_t kNamedRows = 5;

std::string Listed(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < kNamedRows; ++i) {
    text += (i == 0 ? "" : ", ") + items[i];
  }
  if (items.size() > kNamedRows) {
    text += " and " + std::to_string(items.size() - kNamedRows) + " more";
  }
  return text;
}

}  // namespace

const char* CheckStateName(CheckState state) {
  switch (state) {
    case CheckState::Ok:
      return "OK";
    case CheckState::Warning:
      return "WARNING";
    case CheckState::Critical:
      return "CRITICAL";
    case CheckState::Unknown:
      break;
  }
  return "UNKNOWN";
}

int CheckExitCode(CheckState state) {
  return static_cast<int>(state);
}

CheckState RowState(const DeviceStatus& row, std::int64_t now, const AgeLimits& limits) {
  const bool none = !row.lastCompleteFetch;
  const std::int64_t age = none ? 0 : now - row.lastCompleteFetch->end;
  if (limits.maxAge && (none || age > *limits.maxAge)) {
    return CheckState::Critical;
  }
  if (limits.warnAge && (none || age > *limits.warnAge)) {
    return CheckState::Warning;
  }
  return CheckState::Ok;
}

CheckState OverallState(const std::vector<StationReport>& stations, std::int64_t now,
                        const AgeLimits& limits) {
  bool warning = false;
  bool unknown = false;
  for (const StationReport& s : stations) {
    if (s.state != StationReport::State::Read) {
      unknown = true;
    }
    for (const DeviceStatus& row : s.rows) {
      const CheckState state = RowState(row, now, limits);
      if (state == CheckState::Critical) {
        return state;
      }
      warning = warning || state == CheckState::Warning;
    }
  }
  return unknown ? CheckState::Unknown : warning ? CheckState::Warning : CheckState::Ok;
}

std::string RowLabel(const StationReport& station, const DeviceStatus& row) {
  if (row.device == kStationWide) {
    return station.folder;
  }
  std::string label = station.folder + " #" + std::to_string(row.device);
  if (!row.name.empty()) {
    label += " " + row.name;
  }
  return label;
}

std::string CheckSummary(const std::vector<StationReport>& stations, std::int64_t now,
                         const AgeLimits& limits) {
  std::vector<std::string> critical;
  std::vector<std::string> warning;
  std::vector<std::string> unknown;
  std::size_t total = 0;
  for (const StationReport& s : stations) {
    if (s.state != StationReport::State::Read) {
      ++total;
      unknown.push_back(s.folder + " (" + s.problem + ")");
      continue;
    }
    for (const DeviceStatus& row : s.rows) {
      ++total;
      const CheckState state = RowState(row, now, limits);
      if (state == CheckState::Ok) {
        continue;
      }
      const std::string why =
          row.lastCompleteFetch
              ? "last complete fetch " + AgeText(now - row.lastCompleteFetch->end) + " ago"
              : "no complete fetch";
      (state == CheckState::Critical ? critical : warning)
          .push_back(RowLabel(s, row) + " (" + why + ")");
    }
  }
  const CheckState overall = OverallState(stations, now, limits);
  const std::string of = " of " + std::to_string(total) + " stations ";
  std::string text = std::string("TIDEHAUL ") + CheckStateName(overall) + " - ";
  std::vector<std::string> behind = critical;
  behind.insert(behind.end(), warning.begin(), warning.end());
  if (behind.empty() && unknown.empty()) {
    const std::int64_t within = limits.warnAge ? *limits.warnAge : limits.maxAge.value_or(0);
    text += std::to_string(total) + of + "delivered within " + AgeText(within);
  } else if (behind.empty()) {
    text += std::to_string(unknown.size()) + of + "unknown: " + Listed(unknown);
  } else {
    text += std::to_string(behind.size()) + of + "behind: " + Listed(behind);
    if (!unknown.empty()) {
      text += "; " + std::to_string(unknown.size()) + " unknown: " + Listed(unknown);
    }
  }
  text += " | stations=" + std::to_string(total) + " warning=" + std::to_string(warning.size()) +
          " critical=" + std::to_string(critical.size()) +
          " unknown=" + std::to_string(unknown.size());
  return text;
}

}  // namespace th::status
