#include "link/Connection.h"

#include <array>

namespace th {

namespace {

// Shows the port on every way out of the open step, a raised failure included.
struct ShowPort {
  View& view;
  std::int32_t number;
  ~ShowPort() {
    try {
      view.showStage(u"COM" + IntToText(number) + u" Open");
    } catch (...) {
      // The status text is not worth a second failure.
    }
  }
};

}  // namespace

int BaudRateOf(std::int32_t baud) {
  static constexpr std::array<std::int32_t, 15> kRates = {110,   300,   600,    1200,   2400,
                                                          4800,  9600,  14400,  19200,  38400,
                                                          56000, 57600, 115200, 128000, 256000};
  for (const std::int32_t rate : kRates) {
    if (rate == baud) {
      return rate;
    }
  }
  return 0;
}

bool Connection::connect(const LinkSettings& device, bool closeOnCarrier) {
  failure_.clear();
  if (!openPort(device)) {
    return false;
  }
  if (!lineUp(device, closeOnCarrier)) {
    disconnection_.closePort(device);
    line_.up = false;
    return false;
  }
  // For a direct line the wake-up reply already was the logger's answer.
  const bool answered = device.type == LineType::Direct || readClock_(device.loggerId);
  if (answered) {
    line_.up = true;
    return true;
  }
  fail(u"Logger did not answer the clock read");
  disconnection_.closePort(device);
  line_.up = false;
  return false;
}

bool Connection::openPort(const LinkSettings& device) {
  const ShowPort show{view_, device.portNumber};
  if (port_.isOpen()) {
    port_.setRts(false);
    waiter_.wait(100);
    port_.setDtr(false);
    waiter_.wait(100);
    port_.close();
    return port_.isOpen() || fail(u"Port was still open");
  }
  std::int32_t baud = 0;
  // The number and nothing else: blanks around it are refused like any non-number.
  if (!TryTextToIntStrict(device.baudRate, baud)) {
    throw Exception("'" + ToUtf8(device.baudRate) + "' is not a valid integer value");
  }
  const int rate = BaudRateOf(baud);
  // No rate of the component fits: the port stays closed.
  if (rate == 0) {
    return fail(u"Baud rate " + device.baudRate + u" not supported");
  }
  port_.setBaudRate(rate);
  port_.setName(u"COM" + IntToText(device.portNumber));
  port_.open();
  line_.lost = false;
  port_.setRts(true);
  waiter_.wait(100);
  port_.setDtr(true);
  waiter_.wait(100);
  return port_.isOpen() || fail(u"Port did not open");
}

bool Connection::lineUp(const LinkSettings& device, bool closeOnCarrier) {
  switch (device.type) {
    case LineType::Direct:
      return wakeLogger(device);
    case LineType::Modem:
    case LineType::LteModem:
      return initialiseModem(device, closeOnCarrier);
    case LineType::Unknown:
      break;
  }
  return fail(u"No communication type");
}

bool Connection::wakeLogger(const LinkSettings& device) {
  const Text command = u"#T" + device.loggerId + u" R\r\n";
  std::int32_t& steps = counter_.steps;
  steps = 0;
  std::int32_t sent = 0;
  for (;;) {
    if (steps > 50 || stop_.stopExchanges) {
      return fail(u"Logger did not answer the wake-up");
    }
    // At the first step and then every ten.
    if (sent == steps / 10) {
      port_.write(command);
      view_.showSent(command);
      ++sent;
    }
    waiter_.wait(100);
    ++steps;
    view_.showWait(u"Connecting " + IntToText(steps / 10) + u"[sec]");
    if (in_.lastLineHas(u"READ")) {
      return true;
    }
  }
}

bool Connection::initialiseModem(const LinkSettings& device, bool closeOnCarrier) {
  std::int32_t steps = 0;
  in_.clearLastLine();
  port_.write(device.initCommand + u"\r\n");
  view_.showSent(device.initCommand);
  for (;;) {
    if (steps > 30 || stop_.stopExchanges) {
      return fail(u"Modem did not answer the initialisation");
    }
    waiter_.wait(200);
    ++steps;
    if (in_.lastLineHas(u"OK")) {
      break;
    }
  }
  if (device.type == LineType::LteModem) {
    return dialLte(device);
  }
  return dialModem(device, closeOnCarrier);
}

bool Connection::dialModem(const LinkSettings& device, bool closeOnCarrier) {
  if (!device.dialCommand.empty()) {
    const Text command = device.dialCommand + device.number;
    port_.write(command + u"\r\n");
    view_.showSent(command);
    std::int32_t steps = 0;
    for (;;) {
      if (steps > 400 || stop_.stopExchanges) {
        break;
      }
      waiter_.wait(100);
      ++steps;
      view_.showWait(u"CDMA Calling-" + IntToText(steps / 10) + u"[sec]");
      if (in_.lastLineHas(u"CONNECT") || in_.lastLineHas(u"CARRIER")) {
        break;
      }
    }
  }
  if (in_.lastLineHas(u"CARRIER") && closeOnCarrier) {
    disconnection_.disconnect(device, closeOnCarrier);
    return fail(u"Modem dial answered CARRIER");
  }
  return true;
}

bool Connection::dialLte(const LinkSettings& device) {
  std::int32_t steps = 0;
  in_.clearLastLine();
  const Text command = device.dialCommand + device.number + u"\r\n";
  port_.write(command);
  view_.showSent(command);
  for (;;) {
    if (steps > 300 || stop_.stopExchanges) {
      return fail(u"LTE modem did not connect");
    }
    waiter_.wait(100);
    ++steps;
    const std::int32_t shown = steps / 10;
    ++steps;
    view_.showWait(u"LTE Calling-" + IntToText(shown) + u"[sec]");
    if (in_.lastLineHas(u"CONNECT") || in_.lastLineHas(u"ERROR") || in_.lastLineHas(u"CARRIER")) {
      break;
    }
  }
  // "CONNECT" wins over "ERROR" and "CARRIER" in the same line.
  return in_.lastLineHas(u"CONNECT") || fail(u"LTE modem did not connect");
}

}  // namespace th
