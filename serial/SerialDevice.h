#pragma once
// The system's serial device under the port component, one implementation per
// system (serial/linux/SerialDevice.cpp, serial/win/SerialDevice.cpp). Every
// call returns 0 or the system's error code (errno on Linux, GetLastError on
// Windows) and throws nothing.
//
// DeviceApi is the system's calls under a device, for a system whose tests
// play drivers it cannot show otherwise: Windows defines it
// (serial/win/DeviceApi.h); Linux tests use real pseudo-terminals and leave it
// undefined. Null stands for the system's own calls.
#include <cstdint>
#include <string>

#include "serial/PortSettings.h"

namespace th {

// An open device: a descriptor on Linux, a HANDLE's value on Windows.
using DeviceHandle = std::intptr_t;
// No device: -1 is also the value of Windows' INVALID_HANDLE_VALUE.
inline constexpr DeviceHandle kNoDevice = -1;

class DeviceApi;

// The states of the modem lines the device reads.
struct ModemLines {
  bool cts = false;
  bool dsr = false;
  bool ring = false;
  bool carrier = false;  // DCD, which Windows calls RLSD
};

class SerialDevice {
 public:
  explicit SerialDevice(DeviceApi* api = nullptr) : api_(api) {}
  // Closes a device still open, without waiting for its output.
  ~SerialDevice();
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // Where "COMn" is looked up first unless told otherwise: the executable's
  // directory, or "" where the system names its ports itself.
  static std::string DefaultDirectory();
  // An error code that says the device is gone (an adapter pulled out, a far
  // end that hung up) rather than a call that failed once.
  static bool Gone(int error);

  bool isOpen() const { return handle_ != kNoDevice; }
  DeviceHandle handle() const { return handle_; }
  DeviceApi* api() const { return api_; }

  // Opens the device that `settings.name` names, for this process alone.
  // Where the system has no device namespace of its own, "COMn" is first
  // looked up in `directory` (ending in a separator). DTR and RTS start as
  // the settings' line controls say.
  int open(const PortSettings& settings, const std::string& directory);
  // Lets queued output go out, at most `perByteMs` for each byte queued plus
  // `constantMs`, discards the rest and any unread input, and closes. The
  // device is closed afterwards even when this reports an error: the number
  // may soon name another file, which must never receive our writes.
  int close(std::uint32_t perByteMs, std::uint32_t constantMs);

  // The queue sizes, the line and the time-outs of `settings`.
  int applyQueues(const PortSettings& settings);
  int applyLine(const PortSettings& settings);
  int applyTimeouts(const PortSettings& settings);

  int setDtr(bool on);
  int setRts(bool on);
  // A device without modem-control lines on Linux (a pseudo-terminal) takes
  // changes as no-ops and reads every line off.
  int modemLines(ModemLines& lines);

  // Received bytes waiting in the input queue.
  int inputCount(int& count);
  // Takes what has arrived, up to `count` bytes, without waiting for more.
  int read(int count, std::string& out);
  // Writes all bytes unless `timeoutMs` (negative: no limit) runs out first;
  // `written` holds the count that went out either way.
  int write(const char* data, int count, std::int64_t timeoutMs, int& written);

 private:
  DeviceApi* api_;
  DeviceHandle handle_ = kNoDevice;
};

}  // namespace th
