#pragma once
#include "link/Reception.h"
#include "link/StepCounter.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/EventLog.h"
#include "platform/PlatformServices.h"
#include "platform/Port.h"
#include "platform/Text.h"
#include "platform/View.h"

namespace th {

// "yy mm dd hh mm", as the logger's set-clock command takes its time.
Text LoggerClockText(const LocalDateTime& t);

// The logger's clock: read (proves a modem line) and set to the PC's time.
class ClockCommands {
 public:
  ClockCommands(Port& port, Waiter& waiter, Reception& reception, View& view,
                const StopRequest& stop, StepCounter& counter, const PlatformServices& clock,
                EventLog& log)
      : port_(port),
        waiter_(waiter),
        in_(reception),
        view_(view),
        stop_(stop),
        counter_(counter),
        clock_(clock),
        log_(log) {}

  // True when a line with "READ" in any case answered within 51 steps of
  // 300 ms; its step count is handed on to the clock setting.
  bool readClock(const Text& loggerId);
  // Goes on counting from the step count handed on; sends only once it has
  // passed 20. No answer logs "<device> : DataLogger no answer -<time>" and
  // returns false.
  bool setClock(const Text& loggerId, const Text& deviceName);

 private:
  Port& port_;
  Waiter& waiter_;
  Reception& in_;
  View& view_;
  const StopRequest& stop_;
  StepCounter& counter_;
  const PlatformServices& clock_;
  EventLog& log_;
};

}  // namespace th
