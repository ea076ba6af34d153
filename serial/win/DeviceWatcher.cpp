// The event thread's wait on Windows: an overlapped WaitCommEvent and a stop
// event, in one WaitForMultipleObjects. New bytes are found by the queue count
// plus the bytes the port has read, so a wait that ends without reporting them
// (Wine ends every wait on a port without modem lines with
// ERROR_OPERATION_ABORTED after a few milliseconds) loses no arrival, and
// bytes left unread are not reported twice.
#include "serial/DeviceWatcher.h"

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>

#include "platform/win/WinApi.h"

namespace th {

namespace {

// The pause before a wait that ended aborted is started again: it bounds the
// thread's wake-ups on a port that aborts every wait at once (Wine on a
// pseudo-terminal), and with it the delay of an arrival there. Short right
// after bytes came, were read or were sent (a reply follows a command);
// doubled with every quiet wait up to the longest, so that an idle port costs
// almost nothing.
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

// The events the tool's port watches: every line event.
constexpr DWORD kWatchedEvents = EV_RXCHAR | EV_TXEMPTY | EV_RXFLAG | EV_RING | EV_BREAK | EV_CTS |
                                 EV_DSR | EV_ERR | EV_RLSD | EV_RX80FULL;

// The modem-line events, which a port without modem lines refuses.
constexpr DWORD kModemLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

}  // namespace

struct DeviceWatcher::Impl {
  HANDLE device = INVALID_HANDLE_VALUE;
  HANDLE stop = nullptr;
  // Set when bytes were sent; ends a pause early (auto-reset).
  HANDLE sent = nullptr;
  OVERLAPPED overlapped{};
  DWORD mask = 0;
  bool pending = false;
  const std::atomic<std::uint64_t>& bytesTaken;
  const std::atomic<std::uint32_t>& holdBackLimitMs;
  // Bytes received up to the last arrival reported.
  std::uint64_t reported = 0;
  // Bytes read as last seen, and the next pause after an aborted wait.
  std::uint64_t takenSeen = 0;
  DWORD pauseMs = kShortestPauseMs;
  // Set when an arrival was reported, with the moment it was.
  bool afterArrival = false;
  DWORD arrivalTick = 0;

  Impl(const std::atomic<std::uint64_t>& taken, const std::atomic<std::uint32_t>& limit)
      : bytesTaken(taken), holdBackLimitMs(limit) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  ~Impl() {
    if (overlapped.hEvent != nullptr) {
      ::CloseHandle(overlapped.hEvent);
    }
    if (stop != nullptr) {
      ::CloseHandle(stop);
    }
    if (sent != nullptr) {
      ::CloseHandle(sent);
    }
  }

  bool StopAsked() const { return ::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }

  // Ends a wait still pending, so that it never completes into released
  // memory: a mask of 0 ends it, and the result call waits for that.
  void EndPendingWait() {
    if (!pending) {
      return;
    }
    ::SetCommMask(device, 0);
    ::CancelIoEx(device, &overlapped);
    DWORD unused = 0;
    ::GetOverlappedResult(device, &overlapped, &unused, TRUE);
    pending = false;
  }

  // Waits the current pause, then lengthens the next one unless the main
  // thread read bytes meanwhile. Bytes sent end the pause and start the
  // short ones again. True when a stop came.
  bool Pause() {
    const HANDLE handles[2] = {stop, sent};
    const DWORD signaled = ::WaitForMultipleObjects(2, handles, FALSE, pauseMs);
    if (signaled == WAIT_OBJECT_0) {
      return true;
    }
    const std::uint64_t taken = bytesTaken.load();
    if (signaled == WAIT_OBJECT_0 + 1 || taken != takenSeen) {
      takenSeen = taken;
      pauseMs = kShortestPauseMs;
    } else {
      pauseMs = std::min(pauseMs * 2, kLongestPauseMs);
    }
    return false;
  }

  // Right after an arrival: waits out the rest of the batch time, ended
  // early by a write (its reply should be seen at once). A fast line with a
  // small input queue shortens it. True when a stop came.
  bool HoldBack() {
    afterArrival = false;
    const DWORD batch = std::min<DWORD>(kBatchMs, holdBackLimitMs.load());
    const DWORD since = ::GetTickCount() - arrivalTick;
    if (since >= batch) {
      return false;
    }
    const HANDLE handles[2] = {stop, sent};
    return ::WaitForMultipleObjects(2, handles, FALSE, batch - since) == WAIT_OBJECT_0;
  }

  enum class Check { NewBytes, Nothing, Failed };
  // Bytes received so far are the ones read plus the ones queued. The read
  // count is taken first: a read in between can only make the sum smaller,
  // never report bytes that did not come.
  Check CheckQueue() {
    const std::uint64_t taken = bytesTaken.load();
    DWORD errors = 0;
    COMSTAT status{};
    if (::ClearCommError(device, &errors, &status) == FALSE) {
      return Check::Failed;
    }
    const std::uint64_t received = taken + status.cbInQue;
    if (received <= reported) {
      return Check::Nothing;
    }
    reported = received;
    return Check::NewBytes;
  }

  // The event that a look at the queue gives, if any.
  std::optional<DeviceWatcher::Event> Look() {
    switch (CheckQueue()) {
      case Check::NewBytes:
        pauseMs = kShortestPauseMs;
        afterArrival = true;
        arrivalTick = ::GetTickCount();
        return DeviceWatcher::Event::Arrival;
      case Check::Failed:
        return DeviceWatcher::Event::Hangup;  // the device is gone or failed
      case Check::Nothing:
        break;
    }
    return std::nullopt;
  }
};

DeviceWatcher::DeviceWatcher(DeviceHandle handle, const std::atomic<std::uint64_t>& bytesTaken,
                             const std::atomic<std::uint32_t>& holdBackLimitMs)
    : impl_(std::make_unique<Impl>(bytesTaken, holdBackLimitMs)) {
  impl_->device = FromInteger<HANDLE>(handle);
  impl_->stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  impl_->sent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  impl_->overlapped.hEvent = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (impl_->stop == nullptr || impl_->sent == nullptr || impl_->overlapped.hEvent == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                            "serial event thread");
  }
  // A port without modem lines refuses their events; the others are still
  // worth watching.
  const DWORD mask = kWatchedEvents;
  if (::SetCommMask(impl_->device, mask) == FALSE && ::GetLastError() == ERROR_NOT_SUPPORTED) {
    ::SetCommMask(impl_->device, mask & ~kModemLineEvents);
  }
}

DeviceWatcher::~DeviceWatcher() {
  impl_->EndPendingWait();
}

void DeviceWatcher::stop() {
  ::SetEvent(impl_->stop);
}

void DeviceWatcher::sent() {
  ::SetEvent(impl_->sent);
}

DeviceWatcher::Event DeviceWatcher::wait() {
  Impl& w = *impl_;
  if (w.afterArrival) {
    if (w.HoldBack()) {
      return Event::End;
    }
    if (const auto event = w.Look()) {
      return *event;
    }
  }
  for (;;) {
    // A stop asked for while the thread handed over a batch: the port may
    // be closed by now, so no new wait is started on it.
    if (!w.pending && w.StopAsked()) {
      return Event::End;
    }
    bool aborted = false;
    if (!w.pending) {
      w.mask = 0;
      ::ResetEvent(w.overlapped.hEvent);
      if (::WaitCommEvent(w.device, &w.mask, &w.overlapped) != FALSE) {
        ::SetEvent(w.overlapped.hEvent);  // completed at once
      } else if (::GetLastError() == ERROR_IO_PENDING) {
        w.pending = true;
      } else {
        aborted = true;  // the queue decides, as after an aborted wait
      }
    }
    if (!aborted) {
      const HANDLE handles[2] = {w.stop, w.overlapped.hEvent};
      // The stop event comes first: it wins over an event at the same moment.
      const DWORD signaled = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
      if (signaled != WAIT_OBJECT_0 + 1) {
        w.EndPendingWait();
        return Event::End;  // a stop, or a failed wait
      }
      DWORD unused = 0;
      const bool completed =
          !w.pending || ::GetOverlappedResult(w.device, &w.overlapped, &unused, FALSE) != FALSE;
      w.pending = false;
      aborted = !completed;
    }
    if (const auto event = w.Look()) {
      return *event;
    }
    // A wait that ended without new bytes, aborted or failed, starts again
    // after a pause, so that a port whose waits never block does not spin.
    // One that reported a real event (output empty, a line change) starts
    // again at once.
    if (aborted && w.Pause()) {
      return Event::End;
    }
  }
}

void NameCurrentThread(const char* name) {
  // SetThreadDescription exists from Windows 10 1607 on; older systems and
  // Wine may lack it, and the name is only for tools.
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) {
    return;
  }
  const auto set = reinterpret_cast<SetDescription>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetThreadDescription")));
  if (set != nullptr) {
    const std::string narrow(name);
    const std::wstring wide(narrow.begin(), narrow.end());
    set(::GetCurrentThread(), wide.c_str());
  }
}

std::uint64_t CurrentThreadId() {
  return ::GetCurrentThreadId();
}

}  // namespace th
