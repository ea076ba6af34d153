#pragma once
// Where an exception from a dispatched call goes, for loops that dispatch
// inside the system's own message dispatch: to the loop's handler, or, when
// nobody takes it, kept until the system's dispatch has returned and then
// rethrown (never through a window procedure or Qt's event handling).
#include <exception>
#include <functional>

#include "platform/EventLoop.h"

namespace th {

class ExceptionRoute {
 public:
  void setHandler(EventLoop::ExceptionHandler handler) { handler_ = std::move(handler); }
  // Runs fn; false when it raised an exception that nobody took, so that
  // the loop must end.
  bool run(const std::function<void()>& fn);
  // Rethrows the first exception kept, once.
  void rethrowKept();

 private:
  EventLoop::ExceptionHandler handler_;
  std::exception_ptr kept_;
};

}  // namespace th
