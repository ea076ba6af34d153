#pragma once
// The result of a run as its job record gives it: the first thing that went
// wrong, in the job's order; a close request wins over all.
#include <cstdint>
#include <string_view>

#include "download/JobReport.h"
#include "platform/Text.h"

namespace th {

enum class JobResult {
  Complete,       // line up, clock set, every file read, saved and deleted, line down
  NoClockAnswer,  // the logger did not answer the clock setting
  Incomplete,     // the fetch kept logger files or failed, or the line did not go down
  NoConnection,   // the line did not come up
  Stopped,        // a close request ended the run
  SettingsError,  // Setting.dat could not be read
  NoDevice,       // no device with a record was named
};

// The record's own word for a result: "complete", "no_clock_answer", ...
std::string_view JobResultName(JobResult result);

// What the shell knows of a run beside its job's report.
struct RunFacts {
  bool closeRequested = false;      // before the run ended by itself
  Text settingsError;               // why Setting.dat could not be read; empty if it could
  std::int32_t unknownDevice = -1;  // a number named that has no record
};

struct Outcome {
  JobResult result = JobResult::NoDevice;
  Text reason;  // empty for Complete
};

Outcome OutcomeOf(const RunFacts& run, const JobReport& job);

}  // namespace th
