#pragma once
// The CPU time a thread or the process has used, for the Windows serial tests
// and benchmark.
#include <cstdint>

#include "platform/win/WinApi.h"

namespace th::test {

// Milliseconds of kernel plus user time, from what GetThreadTimes or
// GetProcessTimes gave.
inline double CpuMs(const FILETIME& kernel, const FILETIME& user) {
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
}

// The thread with the system's id `id`; -1 when it cannot be opened.
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
  return CpuMs(kernel, user);
}

// This process, all of its threads.
inline double ProcessCpuMs() {
  FILETIME created{};
  FILETIME ended{};
  FILETIME kernel{};
  FILETIME user{};
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  return CpuMs(kernel, user);
}

}  // namespace th::test
