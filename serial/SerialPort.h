#pragma once
// The serial port component: one device opened with one settings value, its
// reads and writes, the control lines, and (through its EventThread) the
// arrival and hang-up notifications on the main thread. Every operation runs
// on the main thread; every failure is an ESerialPort.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/Text.h"
#include "serial/PortSettings.h"
#include "serial/SerialDevice.h"
#include "serial/SerialError.h"

namespace th {

class EventThread;

class SerialPort {
 public:
  // With the count of bytes waiting then, never 0.
  using ArrivalHandler = std::function<void(int count)>;
  // With the system's code of the failure that ended the line, 0 when it
  // gave none (the carrier dropped, the far end hung up).
  using HangupHandler = std::function<void(int error)>;

  // Notifications are handed to `loop`'s thread, which must be the caller's.
  // Where the system has no device namespace of its own, "COMn" is looked up
  // in `deviceDirectory` (ending in a separator) first. `api`: the system's
  // calls under the device (SerialDevice.h), null for its own.
  explicit SerialPort(EventLoop& loop,
                      std::string deviceDirectory = SerialDevice::DefaultDirectory(),
                      DeviceApi* api = nullptr);
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  const PortSettings& settings() const { return settings_; }
  // Stored, and while open applied at once: the queues, the line and the
  // time-outs, each only when it changed; a new name closes the port and
  // opens it on that name. A device that refuses a change keeps its previous
  // settings, the port keeps the new ones, and the error passes on.
  void setSettings(const PortSettings& settings);

  bool isOpen() const { return device_.isOpen(); }
  // Opens the device, applies the settings and starts the event thread;
  // nothing when open already. On failure the port stays closed.
  void open();
  // Stops the event thread (running a hand-over it has already queued, with
  // the port still open), lets queued output go out within the write limit
  // and closes; nothing when closed already. Unread input is lost.
  void close();

  // One byte per character (its low eight bits); returns the count written,
  // fewer when the write limit ran out. An empty text writes nothing.
  int write(const Text& text);
  // Up to `count` bytes that have already arrived, one character each. A read
  // that fails because the device is gone also reports the hang-up.
  int read(Text& text, int count);
  int inputCount();
  void setDtr(bool on);
  void setRts(bool on);
  ModemLines modemLines();

  void setOnArrival(ArrivalHandler handler) { onArrival_ = std::move(handler); }
  // The line ended while open: the device hung up or is gone (adapter
  // unplugged, far end closed; no byte arrives until the port is opened
  // again), or the carrier dropped after it was up (the modem still talks).
  // Raised once per open, after the bytes that came before it were reported;
  // the port stays open.
  void setOnHangup(HangupHandler handler) { onHangup_ = std::move(handler); }

  // The open device, or kNoDevice (tests and benchmarks).
  DeviceHandle handle() const { return device_.handle(); }
  // The event thread while one runs, else null (for measurements).
  EventThread* eventThread() const { return eventThread_.get(); }

 private:
  [[noreturn]] static void Fail(int code, int osError);
  // Applies each group of `settings` that differs from `applied` (all with
  // no `applied`), raising the first failure.
  void apply(const PortSettings& settings, const PortSettings* applied);
  void startEventThread();
  void stopEventThread();
  void reapRetiredThreads(bool wait);
  // Run on the main thread for the event thread.
  void reportArrival();
  void reportHangup(int error);
  void dispatch(const std::function<void()>& notify);

  EventLoop& loop_;
  std::string deviceDirectory_;
  PortSettings settings_;
  SerialDevice device_;
  ArrivalHandler onArrival_;
  HangupHandler onHangup_;
  std::unique_ptr<EventThread> eventThread_;
  // Threads stopped by a close that ran inside their own notification: they
  // end once that notification returns.
  std::vector<std::unique_ptr<EventThread>> retiredThreads_;
  // Bytes read from the open device; the event thread reads it.
  std::atomic<std::uint64_t> bytesTaken_{0};
  // How long the event thread may hold arrived bytes back at most (see
  // QuarterQueueFillMs); set whenever the settings are applied.
  std::atomic<std::uint32_t> holdBackLimitMs_{0};
  // Notifications running now, a close in progress, and a hang-up reported
  // since the port was opened.
  int dispatching_ = 0;
  bool closing_ = false;
  bool hungUp_ = false;
};

}  // namespace th
