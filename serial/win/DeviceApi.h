#pragma once
// The Windows communications calls that a port's device and its event thread
// make, behind an interface: tests put a driver behind it that Wine cannot
// show (one that refuses a rate, fails as a removed adapter does, never
// completes a cancelled request, or completes its waits again and again).
// Each call behaves as its Win32 namesake; a failure leaves its code for
// GetLastError. The events in OVERLAPPED blocks are real ones.
#include "platform/win/WinApi.h"
#include "serial/SerialDevice.h"

namespace th {

class DeviceApi {
 public:
  virtual ~DeviceApi() = default;

  virtual HANDLE createFile(const wchar_t* path) = 0;  // for overlapped I/O, not shared
  virtual BOOL closeHandle(HANDLE device) = 0;
  virtual BOOL setupComm(HANDLE device, DWORD inQueue, DWORD outQueue) = 0;
  virtual BOOL setCommState(HANDLE device, DCB* dcb) = 0;
  virtual BOOL setCommTimeouts(HANDLE device, COMMTIMEOUTS* timeouts) = 0;
  virtual BOOL setCommMask(HANDLE device, DWORD mask) = 0;
  virtual BOOL waitCommEvent(HANDLE device, DWORD* mask, OVERLAPPED* overlapped) = 0;
  virtual BOOL clearCommError(HANDLE device, DWORD* errors, COMSTAT* status) = 0;
  virtual BOOL getCommModemStatus(HANDLE device, DWORD* status) = 0;
  virtual BOOL escapeCommFunction(HANDLE device, DWORD function) = 0;
  virtual BOOL purgeComm(HANDLE device, DWORD flags) = 0;
  virtual BOOL readFile(HANDLE device, void* buffer, DWORD size, OVERLAPPED* overlapped) = 0;
  virtual BOOL writeFile(HANDLE device, const void* data, DWORD size, OVERLAPPED* overlapped) = 0;
  virtual BOOL getOverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* done,
                                   BOOL wait) = 0;
  virtual BOOL cancelIoEx(HANDLE device, OVERLAPPED* overlapped) = 0;
};

namespace win {

// The system's own calls.
DeviceApi& SystemDeviceApi();
// `api`, or the system's own calls when it is null.
inline DeviceApi& Api(DeviceApi* api) {
  return api != nullptr ? *api : SystemDeviceApi();
}

// How long a request that was cancelled may take to end. A driver that
// never ends it would otherwise hold the thread that waits for it forever;
// past this the request's OVERLAPPED, buffer and event are left to it.
inline constexpr DWORD kCancelLimitMs = 500;

}  // namespace win
}  // namespace th
