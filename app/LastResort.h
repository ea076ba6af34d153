#pragma once
// The last resort for a failure that escaped a window event: shown, logged,
// and the run ends. The tool never shows an error dialog.
#include <exception>

#include "platform/EventLog.h"
#include "platform/EventLoop.h"
#include "platform/View.h"

namespace th {

class LastResort {
 public:
  LastResort(EventLog& log, View& view, EventLoop& loop) : log_(log), view_(view), loop_(loop) {}

  // "<message> - <time>" shown and logged; the loop is asked to quit whatever
  // happens on the way (a second failure drops the entry).
  void handle(std::exception_ptr failure);

 private:
  EventLog& log_;
  View& view_;
  EventLoop& loop_;
};

}  // namespace th
