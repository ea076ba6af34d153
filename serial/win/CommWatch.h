#pragma once
// The event thread's wait on a Windows port (DeviceWatcher on Windows): an
// overlapped WaitCommEvent with the port's event mask and a stop event, in one
// WaitForMultipleObjects.
//
// A wait stays pending until the port reports an event, as Windows keeps it.
// New bytes are found by the queue count plus the bytes the port has read, so
// a wait that ends without reporting them loses no arrival, and bytes left
// unread are not reported twice. What Windows does not promise is bounded:
//   - a wait that ends aborted, or a few in a row that complete without new
//     bytes (a driver that signals while bytes are queued, completions after
//     a surprise removal), are followed by a pause that doubles while the
//     line stays quiet, so that such a port cannot spin the thread;
//   - a port without modem lines that refuses their events with
//     ERROR_NOT_SUPPORTED is watched without them, whether the refusal comes
//     from SetCommMask or from WaitCommEvent (Wine on a bare pseudo-terminal
//     takes the mask and fails every wait with it at once);
//   - a failure of the wait or of the queue count is retried once; the second
//     in a row with a code that says the device is gone (SerialDevice::Gone)
//     is the hang-up, with that code;
//   - the carrier (RLSD) dropping after it was up is reported once;
//   - a wait cancelled at the end gets kCancelLimitMs to end, and is left to
//     the driver, OVERLAPPED and mask with it, if it does not;
//   - once a stop was asked for, nothing touches the device but the end of a
//     wait still pending (Close waits for the thread before it closes the
//     port then): a thread stopped while it handed over a batch may resume
//     after Close, when the handle may even name another port.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "serial/DeviceWatcher.h"
#include "serial/win/DeviceApi.h"

namespace th::win {

class CommWatch {
 public:
  // The events the tool's port watches: every line event.
  static constexpr DWORD kWatchedEvents = EV_RXCHAR | EV_TXEMPTY | EV_RXFLAG | EV_RING | EV_BREAK |
                                          EV_CTS | EV_DSR | EV_ERR | EV_RLSD | EV_RX80FULL;
  // The modem-line events, which a port without modem lines refuses.
  static constexpr DWORD kModemLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
  // Completions in a row without new bytes before the thread pauses.
  static constexpr int kEmptyCompletionsBeforePause = 3;

  // Sets the port's event mask. Throws std::system_error when the wait's own
  // events cannot be made.
  CommWatch(DeviceApi& api, HANDLE device, const std::atomic<std::uint64_t>& bytesTaken,
            const std::atomic<std::uint32_t>& holdBackLimitMs);
  ~CommWatch();
  CommWatch(const CommWatch&) = delete;
  CommWatch& operator=(const CommWatch&) = delete;

  DeviceWatcher::Event wait();
  void stop();
  void sent();
  int error() const { return error_; }
  std::uint64_t waits() const { return waits_.load(); }

 private:
  struct WaitBlock;
  struct Outcome {
    enum Kind { Completed, Aborted, Refused, Failed, CarrierDropped, Stopped } kind;
    DWORD value;  // the events of a completed wait, or the error code
  };

  bool stopAsked() const;
  // Starts a wait unless one is pending, and waits for it or the stop.
  Outcome awaitEvent();
  // Ends a pending wait (see above).
  void endPendingWait();
  // The event that a look at the queue gives, if any.
  std::optional<DeviceWatcher::Event> look();
  // Counts a failure; true when it makes the hang-up.
  bool failed(int& streak, int error);
  bool carrierDropped();
  // Waits the current pause; true when a stop came.
  bool pause();
  // Right after an arrival: waits out the rest of the batch time; true when
  // a stop came.
  bool holdBack();

  DeviceApi& api_;
  HANDLE device_;
  HANDLE stop_;
  // Set when bytes were sent; ends a pause early (auto-reset).
  HANDLE sent_;
  std::unique_ptr<WaitBlock> block_;
  bool pending_ = false;
  DWORD mask_ = kWatchedEvents;
  const std::atomic<std::uint64_t>& bytesTaken_;
  const std::atomic<std::uint32_t>& holdBackLimitMs_;
  // Bytes received up to the last arrival reported.
  std::uint64_t reported_ = 0;
  // Bytes read as last seen, and the next pause.
  std::uint64_t takenSeen_ = 0;
  DWORD pauseMs_;
  int emptyCompletions_ = 0;
  // Failures in a row of the wait, and of the queue count.
  int waitFailures_ = 0;
  int queueFailures_ = 0;
  bool carrierUp_ = false;
  // Set when an arrival was reported, with the moment it was.
  bool afterArrival_ = false;
  DWORD arrivalTick_ = 0;
  int error_ = 0;
  std::atomic<std::uint64_t> waits_{0};
};

}  // namespace th::win
