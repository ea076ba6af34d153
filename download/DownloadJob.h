#pragma once
#include "download/FileFetch.h"
#include "download/JobReport.h"
#include "download/JobSettings.h"
#include "link/Connection.h"
#include "link/Disconnection.h"
#include "link/Reception.h"
#include "link/StopRequest.h"
#include "protocol/ClockCommands.h"

namespace th {

// The one job of a run: line up, clock, fetch, line down.
class DownloadJob {
 public:
  DownloadJob(Reception& reception, const StopRequest& stop, Connection& connection,
              ClockCommands& clock, FileFetch& fetch, Disconnection& disconnection)
      : in_(reception),
        stop_(stop),
        connection_(connection),
        clock_(clock),
        fetch_(fetch),
        disconnection_(disconnection) {}

  // Errors of the line-up, the clock setting and the hang-up pass on.
  void run(const JobSettings& device);
  bool running() const { return running_; }
  // What the last job did, also when an error ended it.
  const JobReport& report() const { return report_; }

 private:
  Reception& in_;
  const StopRequest& stop_;
  Connection& connection_;
  ClockCommands& clock_;
  FileFetch& fetch_;
  Disconnection& disconnection_;
  bool running_ = false;
  JobReport report_;
};

}  // namespace th
