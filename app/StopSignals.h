#pragma once
// Stop requests from outside the window: a service manager stopping the tool,
// Ctrl-C in its terminal. The first is handed to the main thread, where it is
// taken like the window's close request; a second ends the process at once
// with exit code 0, for a run whose wind-down does not come back.
#include <functional>
#include <memory>

#include "platform/EventLoop.h"

namespace th {

class StopSignals {
 public:
  // Keeps the requests from ending the process before they are watched. Call
  // first thing in main, before any thread exists: threads inherit it.
  static void hold();

  // Watches from now on; `onStop` runs on the loop's thread, at most once,
  // and never after this object is gone.
  StopSignals(EventLoop& loop, std::function<void()> onStop);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // False when the watch could not be set up; the requests then end the
  // process at once, as they would without this object.
  bool watching() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace th
