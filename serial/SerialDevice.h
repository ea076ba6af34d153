#pragma once
// What the port component needs of the system's serial device, implemented
// once per operating system (serial/linux/, serial/win/). Every call returns 0
// or the system's error code (errno on Linux, GetLastError on Windows) and
// throws nothing.
#include <cstdint>
#include <string>

#include "platform/Text.h"
#include "serial/LineConfig.h"
#include "serial/SerialTypes.h"

namespace th {

// An open device: a descriptor on Linux, a HANDLE's value on Windows.
using DeviceHandle = std::intptr_t;
// No device: -1 is also the value of Windows' INVALID_HANDLE_VALUE.
inline constexpr DeviceHandle kNoDevice = -1;

namespace device {

// Opens the device that `port` ("COMn") names, for this process alone. Where
// the system has no device namespace of its own, "COMn" is first looked up in
// `directory` (ending in a separator). DTR and RTS start as the line modes of
// `config` say.
int Open(const Text& port, const std::string& directory, const LineConfig& config,
         DeviceHandle& handle);
// Where Open looks "COMn" up unless told otherwise: the executable's
// directory, or "" where the system names its ports itself.
std::string DefaultDirectory();

// Lets queued output go out, at most `perByteMs` for each byte queued plus
// `constantMs`, discards the rest and any unread input, and closes. The handle
// is gone afterwards even when this reports an error.
int Close(DeviceHandle handle, std::uint32_t perByteMs, std::uint32_t constantMs);

// The queue sizes, the line settings and the time-outs of `config`.
int ApplyBuffer(DeviceHandle handle, const LineConfig& config);
int ApplyLine(DeviceHandle handle, const LineConfig& config);
int ApplyTimeouts(DeviceHandle handle, const LineConfig& config);

// A device without modem-control lines takes changes as no-ops and reports
// every line off.
int SetDTR(DeviceHandle handle, bool on);
int SetRTS(DeviceHandle handle, bool on);
int GetModemLines(DeviceHandle handle, TSerialSignals& lines);

// Received bytes waiting in the input queue.
int InputCount(DeviceHandle handle, int& count);
// Takes what has arrived, up to `count` bytes, without waiting for more.
int ReadAvailable(DeviceHandle handle, int count, std::string& out);
// Writes all bytes unless `timeoutMs` (negative: no limit) runs out first;
// `written` holds the count that went out either way.
int Write(DeviceHandle handle, const char* data, int count, std::int64_t timeoutMs, int& written);

// Names the calling thread for the system's tools, and tells its id there
// (for CPU-time measurements).
void NameCurrentThread(const char* name);
std::uint64_t CurrentThreadId();

}  // namespace device
}  // namespace th
