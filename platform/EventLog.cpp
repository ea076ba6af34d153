#include "platform/EventLog.h"

#include "platform/Errors.h"

namespace th {

Text EventLog::stamp() const {
  return FormatDateTime(sys_.now(), sys_.timeSeparator());
}

void EventLog::write(const Text& entry) {
  const std::string path = sys_.executableDirectory() + "LogFile.Log";
  const int error = sys_.appendFile(path, EncodeAnsi(entry) + "\r\n");
  if (error != 0) {
    throw EInOutError::fromErrno(error);
  }
}

}  // namespace th
