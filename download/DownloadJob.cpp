#include "download/DownloadJob.h"

#include <exception>

#include "platform/ScopeExit.h"

namespace th {

void DownloadJob::run(const JobSettings& device) {
  running_ = true;
  report_ = JobReport{};
  report_.ran = true;
  const OnScopeExit done([this] {
    running_ = false;
    report_.stopped = stop_.stopExchanges;
  });
  try {
    in_.routeTo(Route::ReceiveLog);
    if (!connection_.connect(device.link)) {
      report_.failure = connection_.failure();
      return;
    }
    report_.connected = true;
    report_.clockSet = clock_.setClock(device.link.loggerId, device.fetch.deviceName);
    fetch_.fetch(device.fetch, report_);
    disconnection_.disconnect(device.link);
  } catch (const std::exception& e) {
    report_.error = FromUtf8(e.what());
    throw;
  } catch (...) {
    report_.error = u"Unknown exception";
    throw;
  }
}

}  // namespace th
