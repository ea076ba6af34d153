// The serial device on Windows: "\\.\COMn" opened for overlapped I/O.
#include "serial/SerialDevice.h"

#include <algorithm>
#include <string>
#include <utility>

#include "serial/OutputDrain.h"
#include "serial/win/Dcb.h"
#include "serial/win/DeviceApi.h"
#include "serial/win/Transfer.h"

namespace th {

namespace {

HANDLE H(DeviceHandle handle) {
  return FromInteger<HANDLE>(handle);
}

int LastError() {
  return static_cast<int>(::GetLastError());
}

int Result(BOOL ok) {
  return ok == FALSE ? LastError() : 0;
}

int QueueCounts(DeviceApi& api, DeviceHandle handle, int& in, int& out) {
  in = 0;
  out = 0;
  // A closed port fails with the invalid-handle code, whatever the system
  // would make of the handle value.
  if (handle == kNoDevice) {
    return ERROR_INVALID_HANDLE;
  }
  DWORD errors = 0;
  COMSTAT status{};
  if (api.clearCommError(H(handle), &errors, &status) == FALSE) {
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

bool SerialDevice::Gone(int error) {
  // What waits and reads fail with once a USB adapter is pulled out, and
  // ERROR_NOT_READY, which Wine gives once a pseudo-terminal's far end closed.
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

int SerialDevice::open(const PortSettings& settings, const std::string& /*directory*/) {
  // The device namespace prefix is what lets two-digit names such as COM10 open.
  std::wstring path = L"\\\\.\\";
  path.append(settings.name.begin(), settings.name.end());
  // Not shared: a port another program holds fails to open. The lines start
  // as the line controls say once the control block is applied.
  HANDLE device = win::Api(api_).createFile(path.c_str());
  if (device == INVALID_HANDLE_VALUE) {
    return LastError();
  }
  handle_ = reinterpret_cast<DeviceHandle>(device);
  return 0;
}

int SerialDevice::close(std::uint32_t perByteMs, std::uint32_t constantMs) {
  DeviceApi& api = win::Api(api_);
  const DeviceHandle handle = std::exchange(handle_, kNoDevice);
  const bool sent = DrainOutput(
      [&api, handle](int& count) {
        int in = 0;
        return QueueCounts(api, handle, in, count);
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
  api.purgeComm(H(handle), purge);
  return Result(api.closeHandle(H(handle)));
}

int SerialDevice::applyQueues(const PortSettings& settings) {
  return Result(win::Api(api_).setupComm(H(handle_), settings.inputQueue, settings.outputQueue));
}

int SerialDevice::applyLine(const PortSettings& settings) {
  DCB dcb = win::MakeDcb(settings);
  return Result(win::Api(api_).setCommState(H(handle_), &dcb));
}

int SerialDevice::applyTimeouts(const PortSettings& settings) {
  COMMTIMEOUTS timeouts = win::MakeCommTimeouts(settings);
  return Result(win::Api(api_).setCommTimeouts(H(handle_), &timeouts));
}

// A driver that refuses a modem-line call (ERROR_NOT_SUPPORTED from a port
// without the lines) fails it: a DTR hang-up must not pass as done.
int SerialDevice::setDtr(bool on) {
  if (!isOpen()) {
    return ERROR_INVALID_HANDLE;
  }
  return Result(win::Api(api_).escapeCommFunction(H(handle_), on ? SETDTR : CLRDTR));
}

int SerialDevice::setRts(bool on) {
  if (!isOpen()) {
    return ERROR_INVALID_HANDLE;
  }
  return Result(win::Api(api_).escapeCommFunction(H(handle_), on ? SETRTS : CLRRTS));
}

int SerialDevice::modemLines(ModemLines& lines) {
  lines = {};
  if (!isOpen()) {
    return ERROR_INVALID_HANDLE;
  }
  DWORD status = 0;
  if (win::Api(api_).getCommModemStatus(H(handle_), &status) == FALSE) {
    return LastError();
  }
  lines.cts = (status & MS_CTS_ON) != 0;
  lines.dsr = (status & MS_DSR_ON) != 0;
  lines.ring = (status & MS_RING_ON) != 0;
  lines.carrier = (status & MS_RLSD_ON) != 0;
  return 0;
}

int SerialDevice::inputCount(int& count) {
  int out = 0;
  return QueueCounts(win::Api(api_), handle_, count, out);
}

int SerialDevice::read(int count, std::string& out) {
  out.clear();
  DeviceApi& api = win::Api(api_);
  // Only what is queued: Wine keeps a read of an empty queue pending even
  // with the "return at once" time-outs.
  int queued = 0;
  int unused = 0;
  if (const int error = QueueCounts(api, handle_, queued, unused); error != 0) {
    return error;
  }
  const int want = std::min(count, queued);
  if (want <= 0) {
    return 0;
  }
  // Queued bytes come at once; the bound only keeps a misbehaving driver
  // from holding the main thread.
  constexpr DWORD kReadLimitMs = 1000;
  win::Transfer transfer(api);
  return transfer.read(H(handle_), static_cast<DWORD>(want), kReadLimitMs, out);
}

int SerialDevice::write(const char* data, int count, std::int64_t timeoutMs, int& written) {
  written = 0;
  if (count <= 0) {
    return 0;
  }
  // The device's write time-outs end the write on Windows; the same bound
  // here also holds where a driver ignores them (Wine on a pseudo-terminal).
  const DWORD limitMs =
      timeoutMs < 0 ? INFINITE : static_cast<DWORD>(std::min<std::int64_t>(timeoutMs, 0xFFFFFFFE));
  win::Transfer transfer(win::Api(api_));
  DWORD done = 0;
  const int error = transfer.write(H(handle_), data, static_cast<DWORD>(count), limitMs, done);
  written = static_cast<int>(done);
  return error;
}

}  // namespace th
