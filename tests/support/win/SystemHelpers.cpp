#include "tests/support/SystemHelpers.h"

#include <array>

#include "platform/Errors.h"
#include "platform/win/WinApi.h"

namespace th::test {

namespace {

double Seconds(const FILETIME& kernel, const FILETIME& user) {
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;  // 100 ns units
}

}  // namespace

double ThreadCpuSeconds() {
  FILETIME created{};
  FILETIME ended{};
  FILETIME kernel{};
  FILETIME user{};
  ::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user);
  return Seconds(kernel, user);
}

double ProcessCpuSeconds() {
  FILETIME created{};
  FILETIME ended{};
  FILETIME kernel{};
  FILETIME user{};
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  return Seconds(kernel, user);
}

bool FilePermissionsBind() {
  // The read-only attribute holds for administrators on Windows; under Wine
  // run as root it does not. Try it on a file of our own.
  std::array<wchar_t, MAX_PATH + 1> folder{};
  std::array<wchar_t, MAX_PATH + 1> file{};
  if (::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()) == 0 ||
      ::GetTempFileNameW(folder.data(), L"thp", 0, file.data()) == 0) {
    return true;
  }
  ::SetFileAttributesW(file.data(), FILE_ATTRIBUTE_READONLY);
  HANDLE h = ::CreateFileW(file.data(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool refused = h == INVALID_HANDLE_VALUE;
  if (!refused) {
    ::CloseHandle(h);
  }
  ::SetFileAttributesW(file.data(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(file.data());
  return refused;
}

int AccessDeniedError() {
  return ERROR_ACCESS_DENIED;
}

std::string FolderInPlaceMessage() {
  return EInOutError::fromErrno(ERROR_ACCESS_DENIED).what();
}

std::string MissingFolderMessage() {
  return EInOutError::fromErrno(ERROR_PATH_NOT_FOUND).what();
}

bool SystemHasFifos() {
  return false;
}

bool MakeFifo(const std::string& /*path*/) {
  return false;
}

}  // namespace th::test
