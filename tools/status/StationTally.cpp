#include "tools/status/StationTally.h"

#include <algorithm>

namespace th::status {

namespace {

JobSummary Summary(const JobRecord& r) {
  return {r.start, r.end, r.endText, r.result, r.reason};
}

}  // namespace

void StationTally::add(const JobRecord& r) {
  const std::int64_t order = order_++;
  // Records are in the order they were appended; one that ended before the
  // window closes it for every record before it, whatever their clocks said.
  if (r.end <= now_ - kSavedWindowSeconds) {
    windowPassed_ = true;
  }
  if (r.device == kStationWide) {
    if (!newestStationWide_) {
      newestStationWide_ = Summary(r);
      newestStationWideOrder_ = order;
    }
    ++stationWide_;
    for (auto& [index, d] : devices_) {
      if (!d.sawComplete) {
        ++d.status.failuresInARow;
      }
    }
    return;
  }
  auto [it, fresh] = devices_.try_emplace(r.device);
  Device& d = it->second;
  if (fresh) {
    d.newestOrder = order;
    d.status.device = r.device;
    d.status.name = r.deviceName;
    d.status.loggerId = r.loggerId;
    d.status.lastJob = Summary(r);
    // Station-wide jobs after its newest record were failures of it too.
    d.status.failuresInARow = stationWide_;
  }
  if (!d.sawComplete) {
    if (r.result == JobResult::Complete) {
      d.sawComplete = true;
    } else {
      ++d.status.failuresInARow;
    }
  }
  if (!d.status.lastCompleteFetch && r.fetchComplete) {
    d.status.lastCompleteFetch = Summary(r);
  }
  if (!windowPassed_) {
    d.status.recordsSaved24h += r.recordsSaved;
  }
}

bool StationTally::settled() const {
  return windowPassed_ && !devices_.empty() &&
         std::all_of(devices_.begin(), devices_.end(), [](const auto& entry) {
           return entry.second.sawComplete && entry.second.status.lastCompleteFetch.has_value();
         });
}

std::vector<DeviceStatus> StationTally::rows(bool wholeHistory) const {
  std::vector<DeviceStatus> rows;
  const bool savedAtLeast = !wholeHistory && !windowPassed_;
  if (devices_.empty()) {
    if (newestStationWide_) {
      DeviceStatus s;
      s.lastJob = *newestStationWide_;
      s.failuresInARow = stationWide_;
      s.failuresAtLeast = !wholeHistory;
      s.savedAtLeast = savedAtLeast;
      rows.push_back(std::move(s));
    }
    return rows;
  }
  for (const auto& [index, d] : devices_) {
    DeviceStatus s = d.status;
    if (newestStationWide_ && newestStationWideOrder_ < d.newestOrder) {
      s.lastJob = *newestStationWide_;
    }
    s.failuresAtLeast = !wholeHistory && !d.sawComplete;
    s.savedAtLeast = savedAtLeast;
    rows.push_back(std::move(s));
  }
  return rows;
}

}  // namespace th::status
