#pragma once
#include <cstdint>
#include <functional>
#include <utility>

#include "link/Disconnection.h"
#include "link/LineStatus.h"
#include "link/LinkSettings.h"
#include "link/Reception.h"
#include "link/StepCounter.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/Port.h"
#include "platform/View.h"

namespace th {

// The fifteen rates of the port component; 0 for any other number.
int BaudRateOf(std::int32_t baud);

// Brings the line to the logger up for every communication type.
class Connection {
 public:
  // Reads the logger's clock: the proof that a modem line reaches the logger.
  using ClockRead = std::function<bool(const Text& loggerId)>;

  Connection(Port& port, Waiter& waiter, Reception& reception, View& view, const StopRequest& stop,
             LineStatus& line, StepCounter& counter, Disconnection& disconnection,
             ClockRead readClock)
      : port_(port),
        waiter_(waiter),
        in_(reception),
        view_(view),
        stop_(stop),
        line_(line),
        counter_(counter),
        disconnection_(disconnection),
        readClock_(std::move(readClock)) {}

  // True when the line is up and the logger answered; a failure after the
  // port opened closes it again. `closeOnCarrier`: a dial answered with
  // "CARRIER" hangs up at once.
  bool connect(const LinkSettings& device, bool closeOnCarrier = true);
  // True when the port is open afterwards. A rate that is not a whole number
  // and a port that cannot be opened raise; a whole number that is not one of
  // the fifteen rates leaves the port closed. A port found open is closed.
  bool openPort(const LinkSettings& device);
  // The line-up sequence of the communication type; an unknown type fails.
  bool lineUp(const LinkSettings& device, bool closeOnCarrier);
  // Wakes a directly connected logger with its clock-read command; its step
  // count is handed on to the clock setting.
  bool wakeLogger(const LinkSettings& device);
  // The modem's initialisation, then the dial of its type.
  bool initialiseModem(const LinkSettings& device, bool closeOnCarrier);
  // The dial of a modem; only "CARRIER" fails it, the clock read decides the rest.
  bool dialModem(const LinkSettings& device, bool closeOnCarrier);
  // The dial of an LTE modem.
  bool dialLte(const LinkSettings& device);
  // Why the last line-up failed, in a few words; empty after one that came up.
  const Text& failure() const { return failure_; }

 private:
  // Keeps `why` as the failure; false, for the step to return.
  bool fail(Text why) {
    failure_ = std::move(why);
    return false;
  }

  Port& port_;
  Waiter& waiter_;
  Reception& in_;
  View& view_;
  const StopRequest& stop_;
  LineStatus& line_;
  StepCounter& counter_;
  Disconnection& disconnection_;
  ClockRead readClock_;
  Text failure_;
};

}  // namespace th
