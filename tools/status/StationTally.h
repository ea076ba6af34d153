#pragma once
// The status of one station folder's devices, from its job records taken
// newest first. It knows when older records can no longer change what it
// shows, so that reading stops there.
//
// A record without a device (a settings error, no device named) belongs to
// the station as a whole: it counts as a job of every device of the folder
// (the last job when it is the newest, a failure in a row when it came after
// the device's last complete job). A folder whose records read name no device
// at all shows one row for the station as a whole.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/status/JobRecord.h"

namespace th::status {

inline constexpr std::int64_t kSavedWindowSeconds = std::int64_t{24} * 3600;

struct JobSummary {
  std::int64_t start = 0;
  std::int64_t end = 0;
  std::string endText;
  JobResult result = JobResult::Complete;
  std::string reason;
};

struct DeviceStatus {
  int device = kStationWide;
  std::string name;
  std::string loggerId;
  JobSummary lastJob;
  std::optional<JobSummary> lastCompleteFetch;  // the newest job with fetch_complete
  std::int64_t failuresInARow = 0;  // jobs whose result is not complete, since the last that was
  bool failuresAtLeast = false;     // reading stopped before that job: there may be more
  std::int64_t recordsSaved24h = 0;
  bool savedAtLeast = false;  // reading stopped inside the 24 hours
};

class StationTally {
 public:
  explicit StationTally(std::int64_t now) : now_(now) {}

  // The next record back.
  void add(const JobRecord& record);

  // True once older records cannot change any row shown: the 24 hours are
  // covered and every device has its last complete job. Devices that had no
  // job since then do not show.
  bool settled() const;

  // The rows, by device number. `wholeHistory`: every record was read (else
  // counts that older records could raise are marked as lower bounds).
  std::vector<DeviceStatus> rows(bool wholeHistory) const;

 private:
  struct Device {
    DeviceStatus status;
    std::int64_t newestOrder = 0;  // position of its newest record, 0 the newest of all
    bool sawComplete = false;
  };

  std::int64_t now_;
  std::int64_t order_ = 0;
  bool windowPassed_ = false;
  std::map<int, Device> devices_;
  // Records of the station as a whole.
  std::int64_t stationWide_ = 0;
  std::optional<JobSummary> newestStationWide_;
  std::int64_t newestStationWideOrder_ = 0;
};

}  // namespace th::status
