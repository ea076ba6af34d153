#pragma once
// The CPU time a thread has used, for the Windows serial tests and benchmark.
#include <cstdint>

#include "platform/win/WinApi.h"

namespace th::test {

// Milliseconds of kernel and user time of the thread with the system's id
// `id`; -1 when it cannot be opened.
inline double ThreadCpuMs(std::uint64_t id) {
  HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, static_cast<DWORD>(id));
  if (thread == nullptr) {
    return -1;
  }
  FILETIME created{};
  FILETIME ended{};
  FILETIME kernel{};
  FILETIME user{};
  ::GetThreadTimes(thread, &created, &ended, &kernel, &user);
  ::CloseHandle(thread);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
}

}  // namespace th::test
