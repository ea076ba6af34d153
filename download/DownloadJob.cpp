#include "download/DownloadJob.h"

#include "platform/ScopeExit.h"

namespace th {

void DownloadJob::run(const JobSettings& device) {
  running_ = true;
  const OnScopeExit done([this] { running_ = false; });
  in_.routeTo(Route::ReceiveLog);
  if (connection_.connect(device.link)) {
    clock_.setClock(device.link.loggerId, device.fetch.deviceName);
    fetch_.fetch(device.fetch);
    disconnection_.disconnect(device.link);
  }
}

}  // namespace th
