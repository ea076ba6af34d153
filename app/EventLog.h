#pragma once
#include <exception>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// LogFile.Log beside the executable, and the last-resort handler that writes to it.
class EventLog {
 public:
  explicit EventLog(Tidehaul& unit) : u_(unit) {}

  // Appends LogMessage and CR LF; raises EInOutError when the file cannot be
  // written or is no regular file.
  void SaveLog();
  // Logs an exception that escaped a window event and ends the program.
  void AppException(std::exception_ptr E);
  // The local date and time as entries carry it.
  Text NowText() const;

 private:
  Tidehaul& u_;
};

}  // namespace th
