#include "app/JobOutcome.h"

#include <array>

namespace th {

std::string_view JobResultName(JobResult result) {
  static constexpr std::array<std::string_view, 7> kNames = {
      "complete", "no_clock_answer", "incomplete", "no_connection",
      "stopped",  "settings_error",  "no_device",
  };
  return kNames.at(static_cast<std::size_t>(result));
}

Outcome OutcomeOf(const RunFacts& run, const JobReport& job) {
  if (job.stopped || run.closeRequested) {
    // The fetch's entry says what the stop cut short.
    return {JobResult::Stopped,
            job.fetchRan && !job.failure.empty() ? job.failure : u"Stopped by a close request"};
  }
  if (!run.settingsError.empty()) {
    return {JobResult::SettingsError, run.settingsError};
  }
  if (!job.ran) {
    return {JobResult::NoDevice, run.unknownDevice >= 0
                                     ? u"Device " + IntToText(run.unknownDevice) + u" has no record"
                                     : Text(u"No device named")};
  }
  if (!job.connected) {
    return {JobResult::NoConnection, job.error.empty() ? job.failure : job.error};
  }
  if (!job.clockSet) {
    // An error that ended the job before the fetch came from the clock setting.
    return {JobResult::NoClockAnswer,
            !job.fetchRan && !job.error.empty() ? job.error : u"DataLogger no answer"};
  }
  if (!job.fetchComplete) {
    if (!job.failure.empty()) {
      return {JobResult::Incomplete, job.failure};
    }
    return {JobResult::Incomplete,
            job.fetchRan ? u"File fetch incomplete" : u"File fetch not run, the line was down"};
  }
  // Only the hang-up is left to raise once the fetch ran.
  if (!job.error.empty()) {
    return {JobResult::Incomplete, u"Line not brought down, " + job.error};
  }
  return {JobResult::Complete, {}};
}

}  // namespace th
