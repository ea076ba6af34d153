#pragma once
// The port's event thread. It sleeps in the system's wait on the device
// (DeviceWatcher) and hands each arrival to the main thread through the event
// loop's synchronize, blocking until the main thread has run it (thread sync
// mode). When the device hangs up it hands over a last arrival and the
// hang-up, then ends.
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "serial/DeviceWatcher.h"
#include "serial/SerialTypes.h"

namespace th {

class TCustomSerialPort;
class EventLoop;

class TSerialThread {
 public:
  // Starts watching the port's open device with the port's Events; throws
  // std::system_error when the wait's own objects cannot be made.
  explicit TSerialThread(TCustomSerialPort& ASerialPort);
  // Stops the thread and waits for its end, running on this (the main)
  // thread a batch that it has already queued, and nothing else.
  ~TSerialThread();
  TSerialThread(const TSerialThread&) = delete;
  TSerialThread& operator=(const TSerialThread&) = delete;

  // Asks the thread to end; from now on it hands nothing to the main thread.
  void Stop();
  // Bytes were sent: a reply may come soon (see DeviceWatcher::Sent).
  void Sent() { FWatcher.Sent(); }
  bool Ended() const { return FEnded.load(std::memory_order_acquire); }
  // Native id of the thread, for CPU-time measurements.
  std::thread::native_handle_type NativeHandle() { return FThread.native_handle(); }
  // The system's id of the thread once it runs (0 before), for the same.
  std::uint64_t SystemThreadId() const { return FSystemThreadId.load(); }

  // The name the thread carries in the system's tools.
  static constexpr const char* kName = "serial-events";

 private:
  void Execute();
  // Runs `call` on the main thread and waits for it; false, without running
  // it, once a stop was asked for.
  bool HandOver(const std::function<void()>& call);
  // Hands over an arrival batch; false when the thread must end (a stop, or
  // an exception that came back from the batch).
  bool HandOverArrival();
  // The device is gone: what arrived before it is read first, then the port
  // hears of the hang-up once.
  void HandOverHangup();
  void DoEvents();
  void DoHangupEvent();

  TCustomSerialPort& FSerialPort;
  EventLoop& FLoop;
  const TSerialEvents FWatched;
  DeviceWatcher FWatcher;
  std::atomic<std::uint64_t> FSystemThreadId{0};
  // The events of the batch being handed over; written by the thread before
  // synchronize, read on the main thread inside it.
  TSerialEvents FEvents;
  // An exception that came back from a batch ended the thread; it is kept, not shown.
  std::exception_ptr FException;
  std::atomic<bool> FEnded{false};
  // Guards FStopping and FHandedOver: after Stop no hand-over begins, so the
  // main thread knows how many it still has to run before the thread ends.
  std::mutex FHandOverLock;
  bool FStopping = false;
  unsigned FHandedOver = 0;
  // Hand-overs the main thread has begun to run; touched on the main thread only.
  unsigned FRun = 0;
  std::thread FThread;
};

}  // namespace th
