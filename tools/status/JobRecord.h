#pragma once
// One line of a job record file (Jobs.jsonl): what the status needs of it.
// Any line that is not a complete JSON object of the record's form is not a
// record; a record of a later format than this reader knows is skipped too.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace th::status {

// In the order the tool's job runs into them; Complete first.
enum class JobResult {
  Complete,
  NoClockAnswer,
  Incomplete,
  NoConnection,
  Stopped,
  SettingsError,
  NoDevice,
};
inline constexpr std::array<JobResult, 7> kJobResults = {
    JobResult::Complete, JobResult::NoClockAnswer, JobResult::Incomplete, JobResult::NoConnection,
    JobResult::Stopped,  JobResult::SettingsError, JobResult::NoDevice,
};

// The record's own words: "complete", "no_clock_answer", ...
std::string_view JobResultName(JobResult result);

// The device index of a record that names no device (settings error, no
// device named): it belongs to the station as a whole.
inline constexpr int kStationWide = -1;

struct JobRecord {
  std::int64_t start = 0;  // Unix seconds
  std::int64_t end = 0;
  std::string endText;  // as written, with its UTC offset
  int device = kStationWide;
  std::string deviceName;
  std::string loggerId;
  JobResult result = JobResult::Complete;
  std::string reason;
  bool fetchComplete = false;
  std::int64_t recordsSaved = 0;
};

// The longest line the reader looks at; the tool's records stay under 4096
// bytes, so anything longer is not one of them.
inline constexpr std::size_t kMaxLineBytes = std::size_t{16} * 1024;

enum class LineKind { Record, NotARecord, LaterFormat };

// Reads one line (without its "\n"); `record` is filled for LineKind::Record.
LineKind ParseJobRecord(std::string_view line, JobRecord& record);

}  // namespace th::status
