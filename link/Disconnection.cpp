#include "link/Disconnection.h"

namespace th {

template <typename Send>
bool Disconnection::repeatUntilConfirmed(Send send) {
  std::int32_t steps = 0;
  waiter_.wait(100);
  // A confirmation must come from this hang-up, not from an older line.
  in_.clearLastLine();
  for (;;) {
    if (steps > 50 || stop_.stopExchanges) {
      waiter_.processMessages();
      return false;
    }
    send();
    ++steps;
    waiter_.wait(100);
    ++steps;
    view_.showWait(u"DISConnecting-" + IntToText(steps / 10) + u"[sec]");
    if (confirmed()) {
      return true;
    }
  }
}

bool Disconnection::confirmed() const {
  return in_.lastLineHas(u"CARRIER") || in_.lastLineHas(u"ERROR");
}

bool Disconnection::disconnect(const LinkSettings& device, bool closePort) {
  struct Restore {
    View& view;
    LineStatus& line;
    ~Restore() {
      line.up = false;
      try {
        view.setBusy(false);
      } catch (...) {
        // A failure already passing on matters more than the pointer.
      }
    }
  };
  view_.setBusy(true);
  const Restore restore{view_, line_};
  switch (device.type) {
    case LineType::Direct:
      return this->closePort(device);
    case LineType::Modem:
      return hangUpModem(device);
    case LineType::LteModem:
      return hangUpLte(device, closePort);
    case LineType::Unknown:
      break;
  }
  return false;
}

bool Disconnection::hangUpModem(const LinkSettings& device) {
  const Text& command = device.hangupCommand;
  const bool result = repeatUntilConfirmed([&] {
    if (!command.empty()) {
      port_.write(command);
    }
    view_.showSent(command);
    waiter_.wait(100);
    port_.write(EscapeSequence());
    view_.showSent(EscapeSequence());
    waiter_.processMessages();
  });
  if (result) {
    closePort(device);
  }
  return result;
}

bool Disconnection::hangUpLte(const LinkSettings& device, bool closePort) {
  const bool result = repeatUntilConfirmed([&] {
    port_.write(EscapeSequence() + u"\r\n");
    view_.showSent(EscapeSequence());
  });
  if (closePort) {
    this->closePort(device);
  }
  return result;
}

bool Disconnection::closePort(const LinkSettings& device) {
  if (!port_.isOpen()) {
    return false;
  }
  try {
    if (!device.hangupCommand.empty()) {
      port_.write(device.hangupCommand);
    }
    view_.showSent(device.hangupCommand);
    port_.setRts(false);
    waiter_.wait(100);
    port_.setDtr(false);
    waiter_.wait(100);
    port_.close();
    return true;
  } catch (...) {
    // The port must not stay open behind a failure: lines down, close, then
    // let the failure pass on.
    if (port_.isOpen()) {
      try {
        port_.setRts(false);
      } catch (...) {
      }
      waiter_.wait(100);
      try {
        port_.setDtr(false);
      } catch (...) {
      }
      waiter_.wait(100);
      try {
        port_.close();
      } catch (...) {
      }
    }
    throw;
  }
}

}  // namespace th
