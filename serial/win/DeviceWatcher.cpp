// The event thread's wait on Windows: CommWatch on the system's calls (or on
// those the port was given), and the thread's name for the system's tools.
#include "serial/DeviceWatcher.h"

#include <string>

#include "serial/win/CommWatch.h"

namespace th {

struct DeviceWatcher::Impl {
  win::CommWatch watch;
};

DeviceWatcher::DeviceWatcher(DeviceHandle handle, DeviceApi* api,
                             const std::atomic<std::uint64_t>& bytesTaken,
                             const std::atomic<std::uint32_t>& holdBackLimitMs)
    : impl_(new Impl{win::CommWatch(win::Api(api), FromInteger<HANDLE>(handle), bytesTaken,
                                    holdBackLimitMs)}) {}

DeviceWatcher::~DeviceWatcher() = default;

DeviceWatcher::Event DeviceWatcher::wait() {
  return impl_->watch.wait();
}

void DeviceWatcher::stop() {
  impl_->watch.stop();
}

void DeviceWatcher::sent() {
  impl_->watch.sent();
}

int DeviceWatcher::error() const {
  return impl_->watch.error();
}

std::uint64_t DeviceWatcher::waits() const {
  return impl_->watch.waits();
}

void NameCurrentThread(const char* name) {
  // SetThreadDescription exists from Windows 10 1607 on; older systems and
  // Wine may lack it, and the name is only for tools.
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) {
    return;
  }
  const auto set = reinterpret_cast<SetDescription>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetThreadDescription")));
  if (set != nullptr) {
    const std::string narrow(name);
    const std::wstring wide(narrow.begin(), narrow.end());
    set(::GetCurrentThread(), wide.c_str());
  }
}

std::uint64_t CurrentThreadId() {
  return ::GetCurrentThreadId();
}
}  // namespace th
