#include "serial/win/DeviceApi.h"

namespace th::win {

namespace {

class SystemApi final : public DeviceApi {
 public:
  HANDLE createFile(const wchar_t* path) override {
    return ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  }
  BOOL closeHandle(HANDLE device) override { return ::CloseHandle(device); }
  BOOL setupComm(HANDLE device, DWORD inQueue, DWORD outQueue) override {
    return ::SetupComm(device, inQueue, outQueue);
  }
  BOOL setCommState(HANDLE device, DCB* dcb) override { return ::SetCommState(device, dcb); }
  BOOL setCommTimeouts(HANDLE device, COMMTIMEOUTS* timeouts) override {
    return ::SetCommTimeouts(device, timeouts);
  }
  BOOL setCommMask(HANDLE device, DWORD mask) override { return ::SetCommMask(device, mask); }
  BOOL waitCommEvent(HANDLE device, DWORD* mask, OVERLAPPED* overlapped) override {
    return ::WaitCommEvent(device, mask, overlapped);
  }
  BOOL clearCommError(HANDLE device, DWORD* errors, COMSTAT* status) override {
    return ::ClearCommError(device, errors, status);
  }
  BOOL getCommModemStatus(HANDLE device, DWORD* status) override {
    return ::GetCommModemStatus(device, status);
  }
  BOOL escapeCommFunction(HANDLE device, DWORD function) override {
    return ::EscapeCommFunction(device, function);
  }
  BOOL purgeComm(HANDLE device, DWORD flags) override { return ::PurgeComm(device, flags); }
  BOOL readFile(HANDLE device, void* buffer, DWORD size, OVERLAPPED* overlapped) override {
    return ::ReadFile(device, buffer, size, nullptr, overlapped);
  }
  BOOL writeFile(HANDLE device, const void* data, DWORD size, OVERLAPPED* overlapped) override {
    return ::WriteFile(device, data, size, nullptr, overlapped);
  }
  BOOL getOverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* done, BOOL wait) override {
    return ::GetOverlappedResult(device, overlapped, done, wait);
  }
  BOOL cancelIoEx(HANDLE device, OVERLAPPED* overlapped) override {
    return ::CancelIoEx(device, overlapped);
  }
};

}  // namespace

DeviceApi& SystemDeviceApi() {
  static SystemApi api;
  return api;
}

}  // namespace th::win
