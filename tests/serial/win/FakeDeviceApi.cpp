#include "tests/serial/win/FakeDeviceApi.h"

#include <algorithm>
#include <utility>

namespace th::test {

void FakeDeviceApi::scriptWaits(std::deque<WaitStep> steps) {
  std::lock_guard lock(lock_);
  waits_ = std::move(steps);
}

void FakeDeviceApi::completePending(DWORD events) {
  std::lock_guard lock(lock_);
  endPending(events, 0);
}

void FakeDeviceApi::failPending(DWORD error) {
  std::lock_guard lock(lock_);
  endPending(0, error);
}

bool FakeDeviceApi::pending() {
  std::lock_guard lock(lock_);
  return wait_.overlapped != nullptr && wait_.mask != nullptr;
}

void FakeDeviceApi::setInput(std::string bytes) {
  std::lock_guard lock(lock_);
  input_ = std::move(bytes);
}

void FakeDeviceApi::failQueueCounts(std::deque<DWORD> errors) {
  std::lock_guard lock(lock_);
  queueErrors_ = std::move(errors);
}

void FakeDeviceApi::refuseRates(std::set<DWORD> rates) {
  std::lock_guard lock(lock_);
  refusedRates_ = std::move(rates);
}

void FakeDeviceApi::called() {
  if (closed_) {
    ++callsAfterClose_;
  }
}

HANDLE FakeDeviceApi::EventOf(OVERLAPPED* overlapped) {
  // The low bit only asks for no completion-port packet.
  return FromInteger<HANDLE>(reinterpret_cast<ULONG_PTR>(overlapped->hEvent) & ~ULONG_PTR{1});
}

void FakeDeviceApi::Signal(OVERLAPPED* overlapped) {
  ::SetEvent(EventOf(overlapped));
}

void FakeDeviceApi::endPending(DWORD events, DWORD error) {
  if (wait_.overlapped == nullptr || wait_.mask == nullptr) {
    return;
  }
  *wait_.mask = error == 0 ? events : 0;
  wait_.error = error;
  wait_.mask = nullptr;  // ended: its result is left for GetOverlappedResult
  Signal(wait_.overlapped);
}

void FakeDeviceApi::endKeptRequests() {
  std::lock_guard lock(lock_);
  for (Request& kept : kept_) {
    if (kept.mask != nullptr) {
      *kept.mask = EV_RXCHAR;
    }
    if (kept.buffer != nullptr) {
      // The driver takes the bytes at last.
      const auto* bytes = static_cast<const char*>(kept.buffer);
      kept.done = static_cast<DWORD>(std::count(bytes, bytes + kept.size, 'x'));
    }
    kept.overlapped->InternalHigh = kept.done;
    Signal(kept.overlapped);
  }
  kept_.clear();
}

BOOL FakeDeviceApi::failWith(DWORD error) {
  ::SetLastError(error);
  return FALSE;
}

HANDLE FakeDeviceApi::createFile(const wchar_t*) {
  std::lock_guard lock(lock_);
  called();
  return Device();
}

BOOL FakeDeviceApi::closeHandle(HANDLE) {
  std::lock_guard lock(lock_);
  called();
  return TRUE;
}

BOOL FakeDeviceApi::setupComm(HANDLE, DWORD, DWORD) {
  std::lock_guard lock(lock_);
  called();
  return TRUE;
}

BOOL FakeDeviceApi::setCommState(HANDLE, DCB* dcb) {
  std::lock_guard lock(lock_);
  called();
  if (refusedRates_.count(dcb->BaudRate) != 0) {
    return failWith(ERROR_INVALID_PARAMETER);
  }
  return TRUE;
}

BOOL FakeDeviceApi::setCommTimeouts(HANDLE, COMMTIMEOUTS*) {
  std::lock_guard lock(lock_);
  called();
  return TRUE;
}

BOOL FakeDeviceApi::setCommMask(HANDLE, DWORD mask) {
  std::lock_guard lock(lock_);
  called();
  mask_ = mask;
  if (mask == 0 && wait_.mask != nullptr) {
    if (cancelsEnd_) {
      endPending(0, ERROR_OPERATION_ABORTED);
    } else {
      kept_.push_back(std::exchange(wait_, Request{}));
    }
  }
  return TRUE;
}

BOOL FakeDeviceApi::waitCommEvent(HANDLE, DWORD* mask, OVERLAPPED* overlapped) {
  std::lock_guard lock(lock_);
  called();
  // As Windows does when a request starts.
  ::ResetEvent(EventOf(overlapped));
  ++waitCalls_;
  const WaitStep step = waits_.front();
  if (waits_.size() > 1) {
    waits_.pop_front();
  }
  switch (step.kind) {
    case WaitStep::Complete:
      *mask = step.value;
      Signal(overlapped);
      return TRUE;
    case WaitStep::Fail:
      return failWith(step.value);
    case WaitStep::Pend:
      break;
  }
  wait_ = Request{overlapped, mask};
  return failWith(ERROR_IO_PENDING);
}

BOOL FakeDeviceApi::clearCommError(HANDLE, DWORD* errors, COMSTAT* status) {
  std::lock_guard lock(lock_);
  called();
  if (!queueErrors_.empty()) {
    const DWORD error = queueErrors_.front();
    queueErrors_.pop_front();
    return failWith(error);
  }
  *errors = 0;
  *status = COMSTAT{};
  status->cbInQue = static_cast<DWORD>(input_.size());
  return TRUE;
}

BOOL FakeDeviceApi::getCommModemStatus(HANDLE, DWORD* status) {
  std::lock_guard lock(lock_);
  called();
  if (modemLineError_ != 0) {
    return failWith(modemLineError_);
  }
  *status = modemStatus_;
  return TRUE;
}

BOOL FakeDeviceApi::escapeCommFunction(HANDLE, DWORD function) {
  std::lock_guard lock(lock_);
  called();
  if (modemLineError_ != 0) {
    return failWith(modemLineError_);
  }
  lastEscape_ = function;
  return TRUE;
}

BOOL FakeDeviceApi::purgeComm(HANDLE, DWORD) {
  std::lock_guard lock(lock_);
  called();
  return TRUE;
}

BOOL FakeDeviceApi::readFile(HANDLE, void* buffer, DWORD size, OVERLAPPED* overlapped) {
  std::lock_guard lock(lock_);
  called();
  // As Windows does when a request starts.
  ::ResetEvent(EventOf(overlapped));
  const DWORD n = std::min<DWORD>(size, static_cast<DWORD>(input_.size()));
  std::copy_n(input_.data(), n, static_cast<char*>(buffer));
  input_.erase(0, n);
  overlapped->InternalHigh = n;
  Signal(overlapped);
  return TRUE;
}

BOOL FakeDeviceApi::writeFile(HANDLE, const void* data, DWORD size, OVERLAPPED* overlapped) {
  std::lock_guard lock(lock_);
  called();
  // As Windows does when a request starts.
  ::ResetEvent(EventOf(overlapped));
  if (writesPend_) {
    write_ = Request{overlapped, nullptr, const_cast<void*>(data), size};
    return failWith(ERROR_IO_PENDING);
  }
  overlapped->InternalHigh = size;
  Signal(overlapped);
  return TRUE;
}

BOOL FakeDeviceApi::getOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* done, BOOL) {
  std::lock_guard lock(lock_);
  called();
  *done = static_cast<DWORD>(overlapped->InternalHigh);
  if (overlapped == wait_.overlapped) {
    const DWORD error = std::exchange(wait_, Request{}).error;
    return error == 0 ? TRUE : failWith(error);
  }
  if (overlapped == write_.overlapped) {
    const DWORD error = std::exchange(write_, Request{}).error;
    return error == 0 ? TRUE : failWith(error);
  }
  return TRUE;
}

BOOL FakeDeviceApi::cancelIoEx(HANDLE, OVERLAPPED* overlapped) {
  std::lock_guard lock(lock_);
  called();
  Request* request = overlapped == wait_.overlapped    ? &wait_
                     : overlapped == write_.overlapped ? &write_
                                                       : nullptr;
  if (request == nullptr) {
    return failWith(ERROR_NOT_FOUND);
  }
  if (!cancelsEnd_) {
    kept_.push_back(std::exchange(*request, Request{}));
    return TRUE;
  }
  if (request == &wait_) {
    endPending(0, ERROR_OPERATION_ABORTED);
  } else {
    write_.error = ERROR_OPERATION_ABORTED;
    overlapped->InternalHigh = 0;
    Signal(overlapped);
  }
  return TRUE;
}

}  // namespace th::test
