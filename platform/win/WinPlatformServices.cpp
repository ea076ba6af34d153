#include "platform/win/WinPlatformServices.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "platform/win/WinApi.h"
#include "platform/win/WinText.h"

namespace th {

namespace {

int LastError() {
  return static_cast<int>(::GetLastError());
}

// Closes the handle when it goes out of scope.
struct FileHandle {
  HANDLE h = INVALID_HANDLE_VALUE;
  FileHandle() = default;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) {
      ::CloseHandle(h);
    }
  }
};

// True when the path names a device rather than a file: "\\.\..." or a
// reserved name such as NUL or COM1, which resolve into the device namespace.
// Opening one can have effects of its own (a serial port raises its lines).
bool NamesADevice(const std::wstring& path) {
  if (path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"\\\\?\\GLOBALROOT", 0) == 0) {
    return true;
  }
  std::vector<wchar_t> full(1024);
  DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n + 1);
    n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  return n > 0 && n < full.size() && std::wstring_view(full.data(), n).rfind(L"\\\\.\\", 0) == 0;
}

// Opens a regular file and nothing else: a device, pipe or console in its
// place fails with ERROR_INVALID_PARAMETER without being opened (or, when
// only the opened handle shows it, right after). 0 or the error code.
int OpenRegularFile(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                    FileHandle& file) {
  const std::wstring wide = win::WideFromAnsi(path);
  if (NamesADevice(wide)) {
    return ERROR_INVALID_PARAMETER;
  }
  file.h = ::CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (file.h == INVALID_HANDLE_VALUE) {
    return LastError();
  }
  if (::GetFileType(file.h) != FILE_TYPE_DISK) {
    ::CloseHandle(file.h);
    file.h = INVALID_HANDLE_VALUE;
    return ERROR_INVALID_PARAMETER;
  }
  return 0;
}

int WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 30));
    DWORD written = 0;
    if (::WriteFile(h, bytes.data(), chunk, &written, nullptr) == FALSE) {
      return LastError();
    }
    if (written == 0) {
      return ERROR_WRITE_FAULT;
    }
    bytes.remove_prefix(written);
  }
  return 0;
}

// Reads up to `count` bytes from the file position on; stops early at the end.
int ReadUpTo(HANDLE h, std::size_t count, std::string& out) {
  out.resize(count);
  std::size_t got = 0;
  int error = 0;
  while (got < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - got, 1U << 30));
    DWORD n = 0;
    if (::ReadFile(h, out.data() + got, chunk, &n, nullptr) == FALSE) {
      error = LastError();
      break;
    }
    if (n == 0) {
      break;
    }
    got += n;
  }
  out.resize(got);
  return error;
}

int Seek(HANDLE h, std::int64_t offset, DWORD from) {
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  return ::SetFilePointerEx(h, to, nullptr, from) == FALSE ? LastError() : 0;
}

}  // namespace

std::unique_ptr<PlatformServices> MakeSystemServices() {
  return std::make_unique<WinPlatformServices>();
}

int DiskFullError() {
  return ERROR_DISK_FULL;
}

char PathSeparator() {
  return '\\';
}

std::string WinPlatformServices::executableDirectory() const {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      return ".\\";
    }
    if (n < buffer.size()) {
      std::wstring path(buffer.data(), n);
      path.erase(path.find_last_of(L"\\/") + 1);
      return win::AnsiFromWide(path);
    }
    buffer.resize(buffer.size() * 2);
  }
}

LocalDateTime WinPlatformServices::now() const {
  // Local and universal time of one moment: their difference is the offset
  // in force now, daylight saving included.
  SYSTEMTIME utc{};
  ::GetSystemTime(&utc);
  SYSTEMTIME t{};
  if (::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &t) == FALSE) {
    ::GetLocalTime(&t);
    utc = t;
  }
  FILETIME localFile{};
  FILETIME utcFile{};
  ::SystemTimeToFileTime(&t, &localFile);
  ::SystemTimeToFileTime(&utc, &utcFile);
  const auto ticks = [](const FILETIME& f) {
    return static_cast<std::int64_t>((std::uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime);
  };
  const std::int64_t offsetMinutes = (ticks(localFile) - ticks(utcFile)) / (600000000LL);
  return {
      t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, static_cast<int>(offsetMinutes)};
}

Text WinPlatformServices::timeSeparator() const {
  std::array<wchar_t, 8> separator{};
  const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, separator.data(),
                                 static_cast<int>(separator.size()));
  if (n <= 1) {
    return u":";
  }
  return win::TextFromWide(std::wstring_view(separator.data(), static_cast<std::size_t>(n - 1)));
}

bool WinPlatformServices::fileExists(const std::string& path) const {
  const DWORD attributes = ::GetFileAttributesW(win::WideFromAnsi(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int WinPlatformServices::readFile(const std::string& path, std::size_t count, std::string& out) {
  out.clear();
  // Read and write access, sharing both, as the settings file is opened.
  FileHandle file;
  if (const int error = OpenRegularFile(path, GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, file);
      error != 0) {
    return error;
  }
  return ReadUpTo(file.h, count, out);
}

int WinPlatformServices::appendFile(const std::string& path, std::string_view bytes) {
  // Others may go on reading while the bytes are appended.
  FileHandle file;
  if (const int error = OpenRegularFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, file);
      error != 0) {
    return error;
  }
  if (const int error = Seek(file.h, 0, FILE_END); error != 0) {
    return error;
  }
  return WriteAll(file.h, bytes);
}

int WinPlatformServices::rewriteFile(const std::string& path, std::string_view bytes) {
  FileHandle file;
  if (const int error = OpenRegularFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, file);
      error != 0) {
    return error;
  }
  return WriteAll(file.h, bytes);
}

std::int64_t WinPlatformServices::fileSize(const std::string& path, int& error) {
  FileHandle file;
  error =
      OpenRegularFile(path, FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, file);
  if (error != 0) {
    return -1;
  }
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.h, &size) == FALSE) {
    error = LastError();
    return -1;
  }
  return size.QuadPart;
}

int WinPlatformServices::truncateFile(const std::string& path, std::int64_t size) {
  FileHandle file;
  if (const int error = OpenRegularFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, file);
      error != 0) {
    return error;
  }
  if (const int error = Seek(file.h, size, FILE_BEGIN); error != 0) {
    return error;
  }
  return ::SetEndOfFile(file.h) == FALSE ? LastError() : 0;
}

int WinPlatformServices::readFileAt(const std::string& path, std::int64_t offset, std::size_t count,
                                    std::string& out) {
  out.clear();
  FileHandle file;
  if (const int error = OpenRegularFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        OPEN_EXISTING, file);
      error != 0) {
    return error;
  }
  if (const int error = Seek(file.h, offset, FILE_BEGIN); error != 0) {
    return error;
  }
  return ReadUpTo(file.h, count, out);
}

int WinPlatformServices::syncFile(const std::string& path) {
  // FlushFileBuffers needs write access; the folder entry needs nothing more
  // on Windows.
  FileHandle file;
  if (const int error = OpenRegularFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        OPEN_EXISTING, file);
      error != 0) {
    return error;
  }
  return ::FlushFileBuffers(file.h) == FALSE ? LastError() : 0;
}

int WinPlatformServices::renameFile(const std::string& from, const std::string& to) {
  return ::MoveFileExW(win::WideFromAnsi(from).c_str(), win::WideFromAnsi(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE
             ? LastError()
             : 0;
}

int WinPlatformServices::createDirectory(const std::string& path) {
  return ::CreateDirectoryW(win::WideFromAnsi(path).c_str(), nullptr) == FALSE ? LastError() : 0;
}

}  // namespace th
