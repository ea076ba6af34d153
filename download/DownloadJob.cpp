#include "download/DownloadJob.h"

#include "app/Tidehaul.h"

namespace th {

void DownloadJob::SchDownload(std::int32_t nNo) {
  RunState& rs = u_.rt.rs;
  struct EndOfJob {
    RunState& rs;
    bool& running;
    ~EndOfJob() {
      rs.repeatCnt = 11;
      running = false;
    }
  } end{rs, running_};
  // A number without a record has no settings to run on.
  if (nNo == -1 || !IsDeviceNumber(nNo)) {
    return;
  }
  running_ = true;
  rs.RxTypeIndex = 0;
  if (u_.connection.Connect(nNo, true)) {
    u_.clock.PROGRAM_COMMAND_TimeSetting(nNo);
    u_.fetch.LastDownLoad(nNo);
    u_.disconnection.DISConnect(nNo, true);
  }
}

}  // namespace th
