#include "serial/SerialPort.h"

#include <utility>

#include "serial/EventThread.h"

namespace th {

namespace {

// Both write totals 0 mean no limit, as on Windows.
std::int64_t WriteLimitMs(const PortTimeouts& t, std::size_t bytes) {
  if (t.writeTotalMultiplier == 0 && t.writeTotalConstant == 0) {
    return -1;
  }
  return static_cast<std::int64_t>(t.writeTotalMultiplier) * static_cast<std::int64_t>(bytes) +
         static_cast<std::int64_t>(t.writeTotalConstant);
}

bool SameQueues(const PortSettings& a, const PortSettings& b) {
  return a.inputQueue == b.inputQueue && a.outputQueue == b.outputQueue;
}

bool SameLine(const PortSettings& a, const PortSettings& b) {
  return a.baudRate == b.baudRate && a.dataBits == b.dataBits && a.parity == b.parity &&
         a.stopBits == b.stopBits && a.dtr == b.dtr && a.rts == b.rts;
}

}  // namespace

SerialPort::SerialPort(EventLoop& loop, std::string deviceDirectory, DeviceApi* api)
    : loop_(loop), deviceDirectory_(std::move(deviceDirectory)), device_(api) {}

SerialPort::~SerialPort() {
  try {
    close();
  } catch (...) {
    // A component that goes away cannot report; the device is released below.
  }
  eventThread_.reset();
  reapRetiredThreads(true);
}

void SerialPort::Fail(int code, int osError) {
  throw ESerialPort::Make(code, osError);
}

void SerialPort::setSettings(const PortSettings& settings) {
  const PortSettings applied = std::exchange(settings_, settings);
  if (!isOpen() || settings == applied) {
    return;
  }
  if (settings.name != applied.name) {
    close();
    open();
    return;
  }
  apply(settings, &applied);
}

void SerialPort::apply(const PortSettings& settings, const PortSettings* applied) {
  if (applied == nullptr || !SameQueues(settings, *applied)) {
    if (const int error = device_.applyQueues(settings); error != 0) {
      Fail(SError_SetupComFailed, error);
    }
  }
  if (applied == nullptr || !SameLine(settings, *applied)) {
    if (const int error = device_.applyLine(settings); error != 0) {
      Fail(SError_SetStateFailed, error);
    }
  }
  if (applied == nullptr || settings.timeouts != applied->timeouts) {
    if (const int error = device_.applyTimeouts(settings); error != 0) {
      Fail(SError_TimeoutsFailed, error);
    }
  }
  holdBackLimitMs_.store(QuarterQueueFillMs(settings));
}

void SerialPort::open() {
  if (isOpen()) {
    return;
  }
  reapRetiredThreads(false);
  if (const int error = device_.open(settings_, deviceDirectory_); error != 0) {
    Fail(SError_OpenFailed, error);
  }
  bytesTaken_.store(0);
  hungUp_ = false;
  try {
    apply(settings_, nullptr);
    if (settings_.eventThread) {
      startEventThread();
    }
  } catch (...) {
    device_.close(0, 0);
    throw;
  }
}

void SerialPort::close() {
  if (!isOpen() || closing_) {
    return;
  }
  closing_ = true;
  try {
    // Reads and writes complete before they return, so no transfer is
    // pending here that would need aborting.
    stopEventThread();
  } catch (...) {
    closing_ = false;
    throw;
  }
  closing_ = false;
  // Output still queued gets the time a write of it would have; without a
  // write limit, the 100 ms a byte plus 1000 ms of the tool's settings, so
  // that a stalled line cannot hold close forever.
  const PortTimeouts& t = settings_.timeouts;
  const bool noLimit = t.writeTotalMultiplier == 0 && t.writeTotalConstant == 0;
  device_.close(noLimit ? 100 : t.writeTotalMultiplier, noLimit ? 1000 : t.writeTotalConstant);
}

void SerialPort::startEventThread() {
  auto watcher = std::make_unique<DeviceWatcher>(device_.handle(), device_.api(), bytesTaken_,
                                                 holdBackLimitMs_);
  eventThread_ = std::make_unique<EventThread>(
      loop_, std::move(watcher),
      EventThread::Handlers{[this] { reportArrival(); },
                            [this](int error) { reportHangup(error); }});
}

void SerialPort::stopEventThread() {
  if (!eventThread_) {
    return;
  }
  std::unique_ptr<EventThread> thread = std::move(eventThread_);
  if (dispatching_ > 0) {
    // Close from inside a notification: the thread is blocked on that very
    // notification, so waiting for it here would never end.
    thread->stop();
    retiredThreads_.push_back(std::move(thread));
    return;
  }
  thread.reset();
}

void SerialPort::reapRetiredThreads(bool wait) {
  std::erase_if(retiredThreads_, [wait](const auto& thread) { return wait || thread->ended(); });
}

void SerialPort::dispatch(const std::function<void()>& notify) {
  // Counted: a close made by the handler must not wait for the event thread,
  // which waits for the handler.
  ++dispatching_;
  try {
    notify();
  } catch (...) {
    --dispatching_;
    throw;
  }
  --dispatching_;
}

void SerialPort::reportArrival() {
  // A close that ran inside an earlier notification leaves nothing to report.
  if (!isOpen()) {
    return;
  }
  dispatch([this] {
    // The count includes bytes that came after the thread looked; when an
    // earlier handler took them all there is nothing to report.
    const int count = inputCount();
    if (count > 0 && onArrival_) {
      onArrival_(count);
    }
  });
}

void SerialPort::reportHangup(int error) {
  // A close in progress or done has no use for it, and the line ends once.
  if (!isOpen() || closing_ || hungUp_) {
    return;
  }
  hungUp_ = true;
  dispatch([this, error] {
    if (onHangup_) {
      onHangup_(error);
    }
  });
}

int SerialPort::write(const Text& text) {
  if (text.empty()) {
    return 0;
  }
  if (!isOpen()) {
    Fail(SError_PortNotOpen, 0);
  }
  const std::string bytes = TextToBytes(text);
  int written = 0;
  const int error = device_.write(bytes.data(), static_cast<int>(bytes.size()),
                                  WriteLimitMs(settings_.timeouts, bytes.size()), written);
  if (written > 0 && eventThread_) {
    eventThread_->sent();
  }
  if (error != 0) {
    Fail(SError_WriteFailed, error);
  }
  return written;
}

int SerialPort::read(Text& text, int count) {
  if (count <= 0) {
    text.clear();
    return 0;
  }
  if (!isOpen()) {
    Fail(SError_PortNotOpen, 0);
  }
  std::string bytes;
  const int error = device_.read(count, bytes);
  bytesTaken_.fetch_add(bytes.size());
  if (error != 0) {
    if (SerialDevice::Gone(error)) {
      reportHangup(error);
    }
    Fail(SError_ReadFailed, error);
  }
  AssignBytes(text, bytes);
  return static_cast<int>(bytes.size());
}

int SerialPort::inputCount() {
  int count = 0;
  if (const int error = device_.inputCount(count); error != 0) {
    Fail(SError_ClearComFailed, error);
  }
  return count;
}

void SerialPort::setDtr(bool on) {
  if (const int error = device_.setDtr(on); error != 0) {
    Fail(SError_EscapeComFailed, error);
  }
}

void SerialPort::setRts(bool on) {
  if (const int error = device_.setRts(on); error != 0) {
    Fail(SError_EscapeComFailed, error);
  }
}

ModemLines SerialPort::modemLines() {
  ModemLines lines;
  if (const int error = device_.modemLines(lines); error != 0) {
    Fail(SError_ModemStatFailed, error);
  }
  return lines;
}

}  // namespace th
