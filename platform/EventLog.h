#pragma once
// LogFile.Log beside the executable: one line per entry, appended, in the
// system's ANSI code page, each ended by CR LF. Opened for one entry at a time.
#include "platform/PlatformServices.h"
#include "platform/Text.h"

namespace th {

class EventLog {
 public:
  explicit EventLog(PlatformServices& sys) : sys_(sys) {}

  // Appends the entry; raises EInOutError when the file cannot be written or
  // is no regular file (a FIFO in its place would block the run for ever).
  void write(const Text& entry);
  // The local date and time as entries carry it.
  Text stamp() const;

 private:
  PlatformServices& sys_;
};

}  // namespace th
