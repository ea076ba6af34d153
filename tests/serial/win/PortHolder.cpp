// Another program that holds a COM port: opens it as the component does,
// signals the event named by its second argument, and lets go when the event
// named by its third is set (or after 30 s).
//   serial_port_holder.exe COM10 READY RELEASE
#include <string>

#include "platform/win/WinApi.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    return 2;
  }
  const std::wstring path = std::wstring(L"\\\\.\\") + argv[1];
  HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
  HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (port == INVALID_HANDLE_VALUE || ready == nullptr || release == nullptr) {
    return 1;
  }
  ::SetEvent(ready);
  ::WaitForSingleObject(release, 30000);
  ::CloseHandle(port);
  return 0;
}
