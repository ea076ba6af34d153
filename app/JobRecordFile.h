#pragma once
// Jobs.jsonl beside the executable: job records appended one line each, the
// file renamed to Jobs.1.jsonl (replacing the older one) once it has reached
// 1 MiB. A failure to write costs the record and one entry in the event log,
// nothing else.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/EventLog.h"
#include "platform/PlatformServices.h"
#include "platform/Text.h"

namespace th {

class JobRecordFile {
 public:
  static constexpr std::int64_t kRotateAt = std::int64_t{1} << 20;

  JobRecordFile(PlatformServices& sys, EventLog& log) : sys_(sys), log_(log) {}

  // Appends `line` (one record ended by "\n") in one write and syncs it; a
  // file whose last line was cut gets its "\n" first. On a failure
  // "<who> : Job record not written, <error> -<date time>" goes to the event
  // log; a failed rotation gets its own entry and the append goes ahead.
  // Never raises.
  void append(std::string_view line, const Text& who);

 private:
  // 0 or the system's error code.
  int write(const std::string& path, std::string_view line);
  void log(const Text& who, const Text& what, int error);

  PlatformServices& sys_;
  EventLog& log_;
};

}  // namespace th
