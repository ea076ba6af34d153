// The serial device on Windows: "\\.\COMn" opened for overlapped I/O.
#include "serial/SerialDevice.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/win/WinApi.h"
#include "serial/OutputDrain.h"
#include "serial/win/Dcb.h"

namespace th {

namespace {

HANDLE H(DeviceHandle handle) {
  return FromInteger<HANDLE>(handle);
}

int LastError() {
  return static_cast<int>(::GetLastError());
}

// A closed port fails with the invalid-handle code, whatever the system
// would make of the handle value.
bool Closed(DeviceHandle handle) {
  return handle == kNoDevice;
}

// Devices without modem-control lines (Wine on a pseudo-terminal) answer
// ERROR_NOT_SUPPORTED: their lines are no-ops and read as off.
int ModemLineResult(BOOL ok) {
  if (ok != FALSE) {
    return 0;
  }
  const int error = LastError();
  return error == ERROR_NOT_SUPPORTED ? 0 : error;
}

int Escape(DeviceHandle handle, DWORD function) {
  if (Closed(handle)) {
    return ERROR_INVALID_HANDLE;
  }
  return ModemLineResult(::EscapeCommFunction(H(handle), function));
}

// The manual-reset event of this thread's transfers. A transfer ends before
// the next one starts on its thread, so one event serves them all: an event
// made and closed per read would cost two more calls into the system for
// every read of a stream. Null when none could be made; the next transfer
// tries again.
HANDLE ThreadTransferEvent() {
  struct Holder {
    HANDLE event = nullptr;
    Holder() = default;
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    ~Holder() {
      if (event != nullptr) {
        ::CloseHandle(event);
      }
    }
  };
  thread_local Holder holder;
  if (holder.event == nullptr) {
    holder.event = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  }
  return holder.event;
}

// One overlapped transfer on the thread's event, which the transfer's start
// resets.
class Transfer {
 public:
  Transfer() : event_(ThreadTransferEvent()) {
    // The low bit set keeps a completion from being queued to a completion
    // port: the port has none, and asking costs a call into the system for
    // every transfer that completes at once.
    overlapped_.hEvent = FromInteger<HANDLE>(reinterpret_cast<ULONG_PTR>(event_) | 1U);
  }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  bool Ready() const { return event_ != nullptr; }
  OVERLAPPED* Overlapped() { return &overlapped_; }

  // Finishes a transfer that `started` (the result of ReadFile or WriteFile)
  // began: waits at most `limitMs` (INFINITE: no limit), then cancels what is
  // left. The bytes it moved are in `done` also when it ended cancelled or
  // timed out; 0 or the error code of a real failure.
  int Finish(HANDLE device, BOOL started, DWORD limitMs, DWORD& done) {
    done = 0;
    if (started == FALSE && ::GetLastError() != ERROR_IO_PENDING) {
      return LastError();
    }
    // A transfer that completed at once (queued bytes read) has its result.
    if (started == FALSE && ::WaitForSingleObject(event_, limitMs) != WAIT_OBJECT_0) {
      ::CancelIoEx(device, &overlapped_);
    }
    if (::GetOverlappedResult(device, &overlapped_, &done, TRUE) != FALSE) {
      return 0;
    }
    const int error = LastError();
    // Cancelled at the limit, or ended by the device's own time-out: the
    // count holds what went through, and that is the result.
    if (error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT) {
      return 0;
    }
    return error;
  }

 private:
  HANDLE event_;
  OVERLAPPED overlapped_{};
};

int QueueCounts(DeviceHandle handle, int& in, int& out) {
  in = 0;
  out = 0;
  if (Closed(handle)) {
    return ERROR_INVALID_HANDLE;
  }
  DWORD errors = 0;
  COMSTAT status{};
  if (::ClearCommError(H(handle), &errors, &status) == FALSE) {
    return LastError();
  }
  in = static_cast<int>(std::min<DWORD>(status.cbInQue, 0x7FFFFFFF));
  out = static_cast<int>(std::min<DWORD>(status.cbOutQue, 0x7FFFFFFF));
  return 0;
}

}  // namespace

SerialDevice::~SerialDevice() {
  if (isOpen()) {
    close(0, 0);
  }
}

std::string SerialDevice::DefaultDirectory() {
  return {};
}

int SerialDevice::open(const PortSettings& settings, const std::string& /*directory*/) {
  // The device namespace prefix is what lets two-digit names such as COM10 open.
  std::wstring path = L"\\\\.\\";
  path.append(settings.name.begin(), settings.name.end());
  // Not shared: a port another program holds fails to open. The lines start
  // as the line controls say once the control block is applied.
  HANDLE device = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    return LastError();
  }
  handle_ = reinterpret_cast<DeviceHandle>(device);
  return 0;
}

int SerialDevice::close(std::uint32_t perByteMs, std::uint32_t constantMs) {
  const DeviceHandle handle = std::exchange(handle_, kNoDevice);
  const bool sent = DrainOutput(
      [handle](int& count) {
        int in = 0;
        return QueueCounts(handle, in, count);
      },
      perByteMs, constantMs);
  // Output that went out is neither cleared nor aborted: no write is
  // outstanding here (every write waits for its end), and on a
  // pseudo-terminal under Wine either flag discards what the far end has not
  // read yet.
  DWORD purge = PURGE_RXABORT | PURGE_RXCLEAR;
  if (!sent) {
    purge |= PURGE_TXABORT | PURGE_TXCLEAR;
  }
  ::PurgeComm(H(handle), purge);
  return ::CloseHandle(H(handle)) == FALSE ? LastError() : 0;
}

int SerialDevice::applyQueues(const PortSettings& settings) {
  const BOOL ok = ::SetupComm(H(handle_), settings.inputQueue, settings.outputQueue);
  return ok == FALSE ? LastError() : 0;
}

int SerialDevice::applyLine(const PortSettings& settings) {
  DCB dcb = win::MakeDcb(settings);
  return ::SetCommState(H(handle_), &dcb) == FALSE ? LastError() : 0;
}

int SerialDevice::applyTimeouts(const PortSettings& settings) {
  COMMTIMEOUTS timeouts = win::MakeCommTimeouts(settings);
  return ::SetCommTimeouts(H(handle_), &timeouts) == FALSE ? LastError() : 0;
}

int SerialDevice::setDtr(bool on) {
  return Escape(handle_, on ? SETDTR : CLRDTR);
}

int SerialDevice::setRts(bool on) {
  return Escape(handle_, on ? SETRTS : CLRRTS);
}

int SerialDevice::modemLines(ModemLines& lines) {
  lines = {};
  if (Closed(handle_)) {
    return ERROR_INVALID_HANDLE;
  }
  DWORD status = 0;
  if (const int error = ModemLineResult(::GetCommModemStatus(H(handle_), &status)); error != 0) {
    return error;
  }
  lines.cts = (status & MS_CTS_ON) != 0;
  lines.dsr = (status & MS_DSR_ON) != 0;
  lines.ring = (status & MS_RING_ON) != 0;
  lines.carrier = (status & MS_RLSD_ON) != 0;
  return 0;
}

int SerialDevice::inputCount(int& count) {
  int out = 0;
  return QueueCounts(handle_, count, out);
}

int SerialDevice::read(int count, std::string& out) {
  const DeviceHandle handle = handle_;
  out.clear();
  // Only what is queued: Wine keeps a read of an empty queue pending even
  // with the "return at once" time-outs.
  int queued = 0;
  int unused = 0;
  if (const int error = QueueCounts(handle, queued, unused); error != 0) {
    return error;
  }
  const int want = std::min(count, queued);
  if (want <= 0) {
    return 0;
  }
  Transfer transfer;
  if (!transfer.Ready()) {
    return LastError();
  }
  out.resize(static_cast<std::size_t>(want));
  const BOOL started =
      ::ReadFile(H(handle), out.data(), static_cast<DWORD>(want), nullptr, transfer.Overlapped());
  // Queued bytes come at once; the bound only keeps a misbehaving driver
  // from holding the main thread.
  constexpr DWORD kReadLimitMs = 1000;
  DWORD done = 0;
  const int error = transfer.Finish(H(handle), started, kReadLimitMs, done);
  out.resize(done);
  return error;
}

int SerialDevice::write(const char* data, int count, std::int64_t timeoutMs, int& written) {
  const DeviceHandle handle = handle_;
  written = 0;
  if (count <= 0) {
    return 0;
  }
  Transfer transfer;
  if (!transfer.Ready()) {
    return LastError();
  }
  const BOOL started =
      ::WriteFile(H(handle), data, static_cast<DWORD>(count), nullptr, transfer.Overlapped());
  // The device's write time-outs end the write on Windows; the same bound
  // here also holds where a driver ignores them (Wine on a pseudo-terminal).
  const DWORD limitMs =
      timeoutMs < 0 ? INFINITE : static_cast<DWORD>(std::min<std::int64_t>(timeoutMs, 0xFFFFFFFE));
  DWORD done = 0;
  const int error = transfer.Finish(H(handle), started, limitMs, done);
  written = static_cast<int>(done);
  return error;
}

}  // namespace th
