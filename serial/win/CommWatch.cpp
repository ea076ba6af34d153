#include "serial/win/CommWatch.h"

#include <algorithm>
#include <system_error>

namespace th::win {

namespace {

// The pause after a wait that brought nothing: short right after bytes came,
// were read or were sent (a reply follows a command); doubled with every
// quiet one up to the longest, so that an idle port whose waits never block
// costs almost nothing.
constexpr DWORD kShortestPauseMs = 2;
constexpr DWORD kLongestPauseMs = 200;

// Bytes that follow a handed-over arrival within this time go over together
// at its end: a stream (a file read at 9600 baud comes every few
// milliseconds) then costs the main thread ten hand-overs a second instead of
// one per chunk, while the first bytes after a quiet spell or a write are
// reported at once. Well below the fetch's 300 ms of quiet that ends a read,
// so a stream never looks quiet. Shorter where the line could bring a
// quarter of the input queue in less time (a fast line, a small queue).
constexpr DWORD kBatchMs = 100;

// Failures in a row (of the wait, or of the queue count) that make a hang-up
// when the last one says the device is gone: one alone is retried.
constexpr int kFailuresForHangup = 2;

HANDLE NewEvent(BOOL manualReset, BOOL signaled) {
  HANDLE event = ::CreateEventW(nullptr, manualReset, signaled, nullptr);
  if (event == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                            "serial event thread");
  }
  return event;
}

}  // namespace

// The wait's OVERLAPPED block and the mask it fills in, with its own event.
// Left to the driver, never freed, when a cancelled wait does not end.
struct CommWatch::WaitBlock {
  OVERLAPPED overlapped{};
  DWORD mask = 0;
  WaitBlock() { overlapped.hEvent = NewEvent(TRUE, FALSE); }
  WaitBlock(const WaitBlock&) = delete;
  WaitBlock& operator=(const WaitBlock&) = delete;
  ~WaitBlock() { ::CloseHandle(overlapped.hEvent); }
};

CommWatch::CommWatch(DeviceApi& api, HANDLE device, const std::atomic<std::uint64_t>& bytesTaken,
                     const std::atomic<std::uint32_t>& holdBackLimitMs)
    : api_(api),
      device_(device),
      stop_(NewEvent(TRUE, FALSE)),
      sent_(nullptr),
      bytesTaken_(bytesTaken),
      holdBackLimitMs_(holdBackLimitMs),
      pauseMs_(kShortestPauseMs) {
  try {
    sent_ = NewEvent(FALSE, FALSE);
    block_ = std::make_unique<WaitBlock>();
  } catch (...) {
    ::CloseHandle(stop_);
    if (sent_ != nullptr) {
      ::CloseHandle(sent_);
    }
    throw;
  }
  if (api_.setCommMask(device_, mask_) == FALSE && ::GetLastError() == ERROR_NOT_SUPPORTED) {
    mask_ &= ~kModemLineEvents;
    api_.setCommMask(device_, mask_);
  }
}

CommWatch::~CommWatch() {
  endPendingWait();
  ::CloseHandle(stop_);
  ::CloseHandle(sent_);
}

void CommWatch::stop() {
  ::SetEvent(stop_);
}

void CommWatch::sent() {
  ::SetEvent(sent_);
}

bool CommWatch::stopAsked() const {
  return ::WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0;
}

void CommWatch::endPendingWait() {
  if (!pending_) {
    return;
  }
  pending_ = false;
  // A mask of 0 ends the wait on Windows, and only that on Wine, which
  // ignores the cancel.
  api_.setCommMask(device_, 0);
  api_.cancelIoEx(device_, &block_->overlapped);
  if (::WaitForSingleObject(block_->overlapped.hEvent, kCancelLimitMs) != WAIT_OBJECT_0) {
    static_cast<void>(block_.release());
    return;
  }
  DWORD unused = 0;
  api_.getOverlappedResult(device_, &block_->overlapped, &unused, FALSE);
}

CommWatch::Outcome CommWatch::awaitEvent() {
  if (!pending_) {
    // A wait reports the changes after it starts: the carrier as it is now
    // is what a drop is measured against, and a drop since the last wait is
    // one.
    if ((mask_ & EV_RLSD) != 0 && carrierDropped()) {
      return {Outcome::CarrierDropped, 0};
    }
    if (!block_) {
      block_ = std::make_unique<WaitBlock>();
    }
    block_->mask = 0;
    ::ResetEvent(block_->overlapped.hEvent);
    waits_.fetch_add(1);
    if (api_.waitCommEvent(device_, &block_->mask, &block_->overlapped) != FALSE) {
      return {Outcome::Completed, block_->mask};
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_NOT_SUPPORTED && (mask_ & kModemLineEvents) != 0) {
      return {Outcome::Refused, error};
    }
    if (error == ERROR_OPERATION_ABORTED) {
      return {Outcome::Aborted, error};
    }
    if (error != ERROR_IO_PENDING) {
      return {Outcome::Failed, error};
    }
    pending_ = true;
  }
  // The stop event comes first: it wins over an event at the same moment.
  const HANDLE handles[2] = {stop_, block_->overlapped.hEvent};
  if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
    return {Outcome::Stopped, 0};  // a stop, or a failed wait
  }
  pending_ = false;
  DWORD unused = 0;
  if (api_.getOverlappedResult(device_, &block_->overlapped, &unused, FALSE) != FALSE) {
    return {Outcome::Completed, block_->mask};
  }
  const DWORD error = ::GetLastError();
  return {error == ERROR_OPERATION_ABORTED ? Outcome::Aborted : Outcome::Failed, error};
}

bool CommWatch::failed(int& streak, int error) {
  ++streak;
  if (streak >= kFailuresForHangup && SerialDevice::Gone(error)) {
    error_ = error;
    return true;
  }
  return false;
}

bool CommWatch::carrierDropped() {
  DWORD status = 0;
  if (api_.getCommModemStatus(device_, &status) == FALSE) {
    return false;
  }
  const bool up = (status & MS_RLSD_ON) != 0;
  const bool dropped = carrierUp_ && !up;
  carrierUp_ = up;
  return dropped;
}

std::optional<DeviceWatcher::Event> CommWatch::look() {
  // Bytes received so far are the ones read plus the ones queued. The read
  // count is taken first: a read in between can only make the sum smaller,
  // never report bytes that did not come.
  const std::uint64_t taken = bytesTaken_.load();
  DWORD errors = 0;
  COMSTAT status{};
  if (api_.clearCommError(device_, &errors, &status) == FALSE) {
    if (failed(queueFailures_, static_cast<int>(::GetLastError()))) {
      return DeviceWatcher::Event::Hangup;
    }
    return std::nullopt;
  }
  queueFailures_ = 0;
  const std::uint64_t received = taken + status.cbInQue;
  if (received <= reported_) {
    return std::nullopt;
  }
  reported_ = received;
  pauseMs_ = kShortestPauseMs;
  emptyCompletions_ = 0;
  afterArrival_ = true;
  arrivalTick_ = ::GetTickCount();
  return DeviceWatcher::Event::Arrival;
}

bool CommWatch::pause() {
  const HANDLE handles[2] = {stop_, sent_};
  const DWORD signaled = ::WaitForMultipleObjects(2, handles, FALSE, pauseMs_);
  if (signaled == WAIT_OBJECT_0) {
    return true;
  }
  // Bytes read or sent meanwhile: the line is busy, a reply may follow.
  const std::uint64_t taken = bytesTaken_.load();
  if (signaled == WAIT_OBJECT_0 + 1 || taken != takenSeen_) {
    takenSeen_ = taken;
    pauseMs_ = kShortestPauseMs;
  } else {
    pauseMs_ = std::min(pauseMs_ * 2, kLongestPauseMs);
  }
  return false;
}

bool CommWatch::holdBack() {
  afterArrival_ = false;
  const DWORD batch = std::min<DWORD>(kBatchMs, holdBackLimitMs_.load());
  const DWORD since = ::GetTickCount() - arrivalTick_;
  if (since >= batch) {
    return false;
  }
  // A write ends it early: its reply should be seen at once.
  const HANDLE handles[2] = {stop_, sent_};
  return ::WaitForMultipleObjects(2, handles, FALSE, batch - since) == WAIT_OBJECT_0;
}

DeviceWatcher::Event CommWatch::wait() {
  if (stopAsked()) {
    return DeviceWatcher::Event::End;
  }
  if (afterArrival_) {
    if (holdBack() || stopAsked()) {
      return DeviceWatcher::Event::End;
    }
    if (const auto event = look()) {
      return *event;
    }
  }
  for (;;) {
    // A stop asked for while the thread handed over a batch: the port may be
    // closed by now, so no new wait is started on it.
    if (!pending_ && stopAsked()) {
      return DeviceWatcher::Event::End;
    }
    const Outcome outcome = awaitEvent();
    switch (outcome.kind) {
      case Outcome::Stopped:
        endPendingWait();
        return DeviceWatcher::Event::End;
      case Outcome::CarrierDropped:
        return DeviceWatcher::Event::CarrierLost;
      case Outcome::Refused:
        mask_ &= ~kModemLineEvents;
        api_.setCommMask(device_, mask_);
        continue;
      case Outcome::Completed:
        waitFailures_ = 0;
        if ((outcome.value & EV_RLSD) != 0 && carrierDropped()) {
          return DeviceWatcher::Event::CarrierLost;
        }
        if (const auto event = look()) {
          return *event;
        }
        // An event without new bytes (output empty, a line change) starts
        // the next wait at once, unless such completions keep coming.
        if (++emptyCompletions_ < kEmptyCompletionsBeforePause) {
          continue;
        }
        break;
      case Outcome::Aborted:
        waitFailures_ = 0;
        if (const auto event = look()) {
          return *event;
        }
        break;
      case Outcome::Failed:
        if (failed(waitFailures_, static_cast<int>(outcome.value))) {
          return DeviceWatcher::Event::Hangup;
        }
        if (const auto event = look()) {
          return *event;
        }
        break;
    }
    if (pause()) {
      return DeviceWatcher::Event::End;
    }
  }
}

}  // namespace th::win
