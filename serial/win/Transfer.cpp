#include "serial/win/Transfer.h"

#include <vector>

namespace th::win {

namespace {

// The manual-reset event of this thread's transfers. A transfer ends before
// the next one starts on its thread, so one event serves them all: an event
// made and closed per read would cost two more calls into the system for
// every read of a stream. Null when none could be made; the next transfer
// tries again.
struct ThreadEvent {
  HANDLE event = nullptr;
  ThreadEvent() = default;
  ThreadEvent(const ThreadEvent&) = delete;
  ThreadEvent& operator=(const ThreadEvent&) = delete;
  ~ThreadEvent() {
    if (event != nullptr) {
      ::CloseHandle(event);
    }
  }
};

thread_local ThreadEvent tEvent;

HANDLE TakeThreadEvent() {
  if (tEvent.event == nullptr) {
    tEvent.event = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  }
  return tEvent.event;
}

}  // namespace

struct Transfer::Block {
  OVERLAPPED overlapped{};
  std::vector<char> buffer;
};

Transfer::Transfer(DeviceApi& api)
    : api_(api), event_(TakeThreadEvent()), block_(std::make_unique<Block>()) {
  // The low bit set keeps a completion from being queued to a completion
  // port: the port has none, and asking costs a call into the system for
  // every transfer that completes at once.
  block_->overlapped.hEvent = FromInteger<HANDLE>(reinterpret_cast<ULONG_PTR>(event_) | 1U);
}

Transfer::~Transfer() = default;

int Transfer::read(HANDLE device, DWORD count, DWORD limitMs, std::string& out) {
  out.clear();
  if (event_ == nullptr) {
    return static_cast<int>(::GetLastError());
  }
  block_->buffer.resize(count);
  const BOOL started = api_.readFile(device, block_->buffer.data(), count, &block_->overlapped);
  DWORD done = 0;
  const int error = finish(device, started, limitMs, done);
  if (block_) {
    out.assign(block_->buffer.data(), done);
  }
  return error;
}

int Transfer::write(HANDLE device, const char* data, DWORD count, DWORD limitMs, DWORD& done) {
  done = 0;
  if (event_ == nullptr) {
    return static_cast<int>(::GetLastError());
  }
  block_->buffer.assign(data, data + count);
  const BOOL started = api_.writeFile(device, block_->buffer.data(), count, &block_->overlapped);
  return finish(device, started, limitMs, done);
}

int Transfer::finish(HANDLE device, BOOL started, DWORD limitMs, DWORD& done) {
  done = 0;
  if (started == FALSE && ::GetLastError() != ERROR_IO_PENDING) {
    return static_cast<int>(::GetLastError());
  }
  // A transfer that completed at once (queued bytes read) has its result.
  if (started == FALSE && ::WaitForSingleObject(event_, limitMs) != WAIT_OBJECT_0) {
    api_.cancelIoEx(device, &block_->overlapped);
    if (::WaitForSingleObject(event_, kCancelLimitMs) != WAIT_OBJECT_0) {
      // The driver holds on to the request: what it moved is unknown, and
      // its block and event are its own from now on.
      static_cast<void>(block_.release());
      tEvent.event = nullptr;
      event_ = nullptr;
      return ERROR_OPERATION_ABORTED;
    }
  }
  if (api_.getOverlappedResult(device, &block_->overlapped, &done, FALSE) != FALSE) {
    return 0;
  }
  const auto error = static_cast<int>(::GetLastError());
  // Cancelled at the limit, or ended by the device's own time-out: the count
  // holds what went through, and that is the result.
  if (error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT) {
    return 0;
  }
  return error;
}

}  // namespace th::win
