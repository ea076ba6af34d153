#pragma once
// One station folder's status from the end of its job record files:
// Jobs.jsonl backwards in chunks, then on into the older generation
// Jobs.1.jsonl only while older records can still change what is shown.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/status/RecordSource.h"
#include "tools/status/StationTally.h"

namespace th::status {

inline constexpr const char* kRecordFile = "Jobs.jsonl";
inline constexpr const char* kOlderRecordFile = "Jobs.1.jsonl";

struct ScanLimits {
  std::size_t chunk = std::size_t{64} * 1024;
  // At most what the tool's two generations hold (1 MiB each, plus the
  // record that passed it): a folder whose files grew beyond that costs no more.
  std::int64_t budget = std::int64_t{2} * (1024 * 1024 + 4096);
};

struct StationReport {
  enum class State {
    Read,        // rows hold what the records say
    NoRecords,   // no record file, or none of its lines is a record
    Unreadable,  // the folder or a record file could not be read
  };
  std::string folder;
  State state = State::Read;
  std::string problem;  // for NoRecords and Unreadable
  std::vector<DeviceStatus> rows;
  std::int64_t recordsRead = 0;
  std::int64_t linesSkipped = 0;  // cut, not JSON, not a record, or of a later format
  bool readLimitReached = false;
};

// Reads the record files, newest first, into `report`.
void ScanSources(const std::vector<RecordSource*>& newestFirst, std::int64_t now,
                 const ScanLimits& limits, StationReport& report);

// The folder as the command line names it.
StationReport ScanStation(const std::string& folder, std::int64_t now,
                          const ScanLimits& limits = {});

}  // namespace th::status
