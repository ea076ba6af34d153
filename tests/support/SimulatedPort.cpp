#include "tests/support/SimulatedPort.h"

#include "serial/SerialError.h"

namespace th::test {

void SimulatedPort::open() {
  if (open_) {
    return;
  }
  if (failCode_ != 0) {
    const int code = failCode_;
    failCode_ = 0;
    throw ESerialPort::make(code, failWinCode_);
  }
  open_ = true;
  hungUp_ = false;
  events_.push_back("open " + ToUtf8(name_) + " " + std::to_string(baud_));
}

void SimulatedPort::close() {
  if (!open_) {
    return;
  }
  open_ = false;
  input_.clear();  // unread input is discarded at close
  ++generation_;
  events_.push_back("close");
}

void SimulatedPort::setDtr(bool on) {
  if (!open_) {
    throw ESerialPort::make(kSerialEscapeComFailed, 9);
  }
  events_.push_back(on ? "DTR 1" : "DTR 0");
}

void SimulatedPort::setRts(bool on) {
  if (!open_) {
    throw ESerialPort::make(kSerialEscapeComFailed, 9);
  }
  events_.push_back(on ? "RTS 1" : "RTS 0");
}

int SimulatedPort::write(const Text& str) {
  if (str.empty()) {
    return 0;
  }
  if (!open_) {
    throw ESerialPort::make(kSerialPortNotOpen, 0);
  }
  const std::string bytes = TextToBytes(str);
  writes_.push_back({loop_.tick(), bytes});
  if (responder_) {
    responder_(bytes);
  }
  return static_cast<int>(bytes.size());
}

int SimulatedPort::read(Text& str, int count) {
  str.clear();
  if (count <= 0) {
    return 0;
  }
  if (!open_) {
    throw ESerialPort::make(kSerialPortNotOpen, 0);
  }
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), input_.size());
  str = BytesToText(std::string_view(input_).substr(0, n));
  input_.erase(0, n);
  return static_cast<int>(n);
}

void SimulatedPort::deliver(std::string bytes, std::uint32_t delayMs) {
  const std::uint64_t generation = generation_;
  auto arrive = [this, generation, bytes = std::move(bytes)] {
    if (!open_ || hungUp_ || generation != generation_) {
      return;
    }
    input_ += bytes;
    notify();
  };
  if (delayMs == 0) {
    loop_.post(arrive);
  } else {
    loop_.startTimer(delayMs, false, arrive);
  }
}

void SimulatedPort::hangUp(std::uint32_t delayMs) {
  const std::uint64_t generation = generation_;
  auto gone = [this, generation] {
    if (!open_ || hungUp_ || generation != generation_) {
      return;
    }
    hungUp_ = true;
    // After the arrival notification already queued, as the event thread reports them.
    loop_.post([this] {
      if (open_ && hangupHandler_) {
        hangupHandler_();
      }
    });
  };
  if (delayMs == 0) {
    loop_.post(gone);
  } else {
    loop_.startTimer(delayMs, false, gone);
  }
}

void SimulatedPort::notify() {
  // The handler sees the count waiting when it runs; bytes already taken raise nothing.
  loop_.post([this] {
    if (!open_ || input_.empty() || !handler_) {
      return;
    }
    handler_(static_cast<int>(input_.size()));
  });
}

}  // namespace th::test
