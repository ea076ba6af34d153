#pragma once
// The event thread's wait on an open device, implemented once per system
// (serial/linux/DeviceWatcher.cpp, serial/win/DeviceWatcher.cpp): it sleeps
// until new bytes arrive, the device hangs up or a stop is asked for, and
// never wakes the thread for bytes it has reported before.
#include <atomic>
#include <cstdint>
#include <memory>

#include "serial/SerialDevice.h"

namespace th {

class DeviceWatcher {
 public:
  enum class Event {
    Arrival,      // new bytes are in the input queue
    CarrierLost,  // the carrier (DCD) dropped after it was up; bytes still come
    Hangup,       // the device is gone or failed (error()); it reports nothing more
    End,          // a stop was asked for, or the wait itself failed
  };

  // Watches `handle`, through `api` where the system has one (SerialDevice.h).
  // `bytesTaken` counts the bytes read from the device since it was opened; a
  // system that cannot report arrivals by itself finds them by the queue
  // count plus this. A system that reports arrivals in batches holds new bytes
  // back at most `holdBackLimitMs`, read before each batch, so that the line
  // cannot fill the input queue meanwhile. Throws std::system_error when the
  // wait's own objects cannot be made.
  DeviceWatcher(DeviceHandle handle, DeviceApi* api, const std::atomic<std::uint64_t>& bytesTaken,
                const std::atomic<std::uint32_t>& holdBackLimitMs);
  ~DeviceWatcher();
  DeviceWatcher(const DeviceWatcher&) = delete;
  DeviceWatcher& operator=(const DeviceWatcher&) = delete;

  // On the event thread: blocks until one of the events. After End or
  // Hangup it is not called again, and once a stop was asked for it touches
  // the device no more.
  Event wait();
  // After Hangup: the system's code of the failure, 0 when it gave none.
  int error() const;
  // How many waits the system was asked for so far, from any thread: an idle
  // port whose waits stay pending as they should shows one.
  std::uint64_t waits() const;
  // From any thread: the current or next wait returns End.
  void stop();
  // From any thread: bytes were just sent, so a reply may come soon. A system
  // that finds arrivals by looking again shortens its next look; one that
  // reports them by itself has nothing to do.
  void sent();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Names the calling thread for the system's tools, and tells its id there
// (for CPU-time measurements).
void NameCurrentThread(const char* name);
std::uint64_t CurrentThreadId();

}  // namespace th
