// Keeps Wine's desktop up for a test session: a hidden top-level window that
// lives until the wine server ends. Wine ends its desktop process a few
// seconds after the last window is gone, and the next program that opens a
// window then waits about 10 s for it to start again (its RPC service does not
// come up in time); with this program running, windows open at once.
// Prints READY once the desktop is there.
#include <cstdio>

#include "platform/win/WinApi.h"

int main() {
  HWND window = ::CreateWindowExW(0, L"STATIC", L"tidehaul test desktop", WS_OVERLAPPED, 0, 0, 10,
                                  10, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    return 1;
  }
  std::puts("READY");
  std::fflush(stdout);
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::DispatchMessageW(&msg);
  }
  return 0;
}
