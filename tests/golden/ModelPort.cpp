#include "tests/golden/ModelPort.h"

#include <cerrno>
#include <limits>

#include "serial/SerialError.h"
#include "tools/logger-sim/Escape.h"

namespace th::golden {

ModelPort::ModelPort(EventLoop& loop, sim::LoggerModel& model)
    : SimulatedPort(loop), loop_(loop), model_(model), startTick_(loop.tick()) {}

ModelPort::~ModelPort() {
  if (timerAt_) {
    loop_.stopTimer(timer_);
  }
}

std::int64_t ModelPort::now() const {
  return static_cast<std::uint32_t>(loop_.tick() - startTick_);
}

void ModelPort::noteEvents(std::size_t before) {
  for (std::size_t i = before; i < events().size(); ++i) {
    journal_.push_back({now(), events()[i]});
  }
}

void ModelPort::open() {
  const bool wasOpen = isOpen();
  const std::size_t before = events().size();
  SimulatedPort::open();
  noteEvents(before);
  if (wasOpen) {
    return;
  }
  // An adapter that went away is back once the port is opened again.
  if (unplugged_) {
    unplugged_ = false;
    model_.pluggedIn(now(), "COM");
  }
  model_.lineOpened(now());
  schedule();
}

void ModelPort::close() {
  const bool wasOpen = isOpen();
  const std::size_t before = events().size();
  SimulatedPort::close();
  noteEvents(before);
  // Closing the dead descriptor of an unplugged adapter reaches nobody.
  if (wasOpen && !unplugged_) {
    model_.lineClosed(now());
  }
}

void ModelPort::failOnDeadDevice(const std::string& what, int code) {
  if (isOpen() && unplugged_) {
    journal_.push_back({now(), "failed " + what});
    throw ESerialPort::Make(code, EIO);
  }
}

void ModelPort::setDtr(bool on) {
  failOnDeadDevice(on ? "DTR 1" : "DTR 0", SError_EscapeComFailed);
  const std::size_t before = events().size();
  SimulatedPort::setDtr(on);
  noteEvents(before);
}

void ModelPort::setRts(bool on) {
  failOnDeadDevice(on ? "RTS 1" : "RTS 0", SError_EscapeComFailed);
  const std::size_t before = events().size();
  SimulatedPort::setRts(on);
  noteEvents(before);
}

int ModelPort::write(const Text& str) {
  const std::string bytes = TextToBytes(str);
  if (!bytes.empty()) {
    failOnDeadDevice("> " + sim::EscapeBytes(bytes), SError_WriteFailed);
  }
  const int written = SimulatedPort::write(str);
  if (written > 0) {
    journal_.push_back({now(), "> " + sim::EscapeBytes(bytes)});
    model_.receive(bytes, now());
    schedule();
  }
  return written;
}

void ModelPort::schedule() {
  const std::optional<std::int64_t> at = model_.nextDue(now());
  if (!at || (timerAt_ && *timerAt_ <= *at)) {
    return;
  }
  if (timerAt_) {
    loop_.stopTimer(timer_);
  }
  timerAt_ = std::max(*at, now());
  timer_ = loop_.startTimer(static_cast<std::uint32_t>(*timerAt_ - now()), false, [this] {
    timerAt_.reset();
    due();
  });
}

void ModelPort::due() {
  const std::optional<std::int64_t> unplugAt = model_.unplugDue();
  if (unplugAt && *unplugAt <= now()) {
    model_.unplugged(now());
    unplugged_ = true;
    hangUp();
  }
  std::string bytes = model_.take(now(), std::numeric_limits<std::size_t>::max());
  if (!bytes.empty() && isOpen() && !unplugged_) {
    deliver(std::move(bytes));
  }
  schedule();
}

}  // namespace th::golden
