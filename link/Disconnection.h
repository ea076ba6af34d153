#pragma once
#include "link/LineStatus.h"
#include "link/LinkSettings.h"
#include "link/Reception.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/Port.h"
#include "platform/View.h"

namespace th {

// The modem escape sequence: GS, three plus signs, ESC.
inline Text EscapeSequence() {
  return Text{u'\x1d', u'+', u'+', u'+', u'\x1b'};
}

// Brings the line down for every communication type and closes the port.
class Disconnection {
 public:
  Disconnection(Port& port, Waiter& waiter, Reception& reception, View& view,
                const StopRequest& stop, LineStatus& line)
      : port_(port), waiter_(waiter), in_(reception), view_(view), stop_(stop), line_(line) {}

  // The hang-up of the communication type; the line is down afterwards (also
  // when a failure passes through) and the busy pointer shows only while it runs.
  bool disconnect(const LinkSettings& device, bool closePort = true);
  // A dialled modem: the disconnect command and the escape sequence, round
  // after round, until the modem confirms. True when it did; unconfirmed, the
  // port stays open, since the modem may still hold the line.
  bool hangUpModem(const LinkSettings& device);
  // An LTE modem: the escape sequence round after round. Closes the port when
  // `closePort`, confirmed or not.
  bool hangUpLte(const LinkSettings& device, bool closePort);
  // The disconnect command, RTS and DTR down, close. False when the port was
  // closed already. A failure on the way still closes the port, then passes on.
  bool closePort(const LinkSettings& device);

 private:
  // Sends with `send` round after round until the modem confirms; false once
  // the count passes 50 (two a round) or the exchanges are stopped.
  template <typename Send>
  bool repeatUntilConfirmed(Send send);
  bool confirmed() const;

  Port& port_;
  Waiter& waiter_;
  Reception& in_;
  View& view_;
  const StopRequest& stop_;
  LineStatus& line_;
};

}  // namespace th
