#pragma once
#include "download/FileFetch.h"
#include "download/JobSettings.h"
#include "link/Connection.h"
#include "link/Disconnection.h"
#include "link/Reception.h"
#include "protocol/ClockCommands.h"

namespace th {

// The one job of a run: line up, clock, fetch, line down.
class DownloadJob {
 public:
  DownloadJob(Reception& reception, Connection& connection, ClockCommands& clock, FileFetch& fetch,
              Disconnection& disconnection)
      : in_(reception),
        connection_(connection),
        clock_(clock),
        fetch_(fetch),
        disconnection_(disconnection) {}

  // Errors of the line-up, the clock setting and the hang-up pass on.
  void run(const JobSettings& device);
  bool running() const { return running_; }

 private:
  Reception& in_;
  Connection& connection_;
  ClockCommands& clock_;
  FileFetch& fetch_;
  Disconnection& disconnection_;
  bool running_ = false;
};

}  // namespace th
