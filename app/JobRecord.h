#pragma once
// The job record: one line of JSON per run, for programs that watch a station
// (tidehaul-status). Keys in a fixed order; see README, "Job records".
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/JobOutcome.h"
#include "download/JobReport.h"
#include "platform/PlatformServices.h"
#include "platform/Text.h"

namespace th {

// The device a job ran for, as Setting.dat holds it.
struct RecordedDevice {
  std::int32_t index = 0;
  Text name;
  Text loggerId;
  Text port;  // "COM" and the number
  Text baudRate;
  Text modemType;
};

struct JobRecord {
  LocalDateTime start;                   // the run began waiting for its device
  LocalDateTime end;                     // the record is written
  std::optional<RecordedDevice> device;  // none when no job ran
  Outcome outcome;
  JobReport job;
};

// A record line never exceeds this, its "\n" included.
inline constexpr std::size_t kMaxRecordBytes = 4096;
// Of that, the reason takes at most this.
inline constexpr std::size_t kMaxReasonBytes = 1024;
// Entries of `files` and of `data_files`; the rest are counted.
inline constexpr std::size_t kMaxListed = 4;

// The record as one line of JSON ended by "\n". Texts are cut to fit the
// bound: those of the lists first, then the device's, the reason last; of
// each kind the longest first.
std::string JobRecordLine(const JobRecord& record, std::string_view toolVersion);

// "2026-12-10T14:05:31+01:00".
std::string IsoLocalTime(const LocalDateTime& t);

}  // namespace th
