#include "app/EventLog.h"

#include <utility>

#include "app/Tidehaul.h"
#include "platform/Errors.h"

namespace th {

Text EventLog::NowText() const {
  return FormatDateTime(u_.rt.sys.now(), u_.rt.sys.timeSeparator());
}

void EventLog::SaveLog() {
  PlatformServices& sys = u_.rt.sys;
  const std::string SFName = sys.executableDirectory() + "LogFile.Log";
  // Only a regular file: a FIFO in its place would block the run for ever.
  const int error = sys.appendFile(SFName, EncodeAnsi(u_.rt.rs.LogMessage) + "\r\n");
  if (error != 0) {
    throw EInOutError::FromErrno(error);
  }
}

void EventLog::AppException(std::exception_ptr E) {
  Text message;
  try {
    std::rethrow_exception(std::move(E));
  } catch (const std::exception& e) {
    message = FromUtf8(e.what());
  } catch (...) {
    message = u"Unknown exception";
  }
  try {
    u_.rt.rs.LogMessage = message + u" - " + NowText();
    u_.rt.view.setPanelText(3, u_.rt.rs.LogMessage);
    SaveLog();
  } catch (...) {
    // The entry is lost; the program ends all the same.
  }
  u_.rt.loop.quit();
}

}  // namespace th
