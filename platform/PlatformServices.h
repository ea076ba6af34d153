#pragma once
// Operating-system services the logic uses: where the executable lies, the
// local clock, and the file operations with their error codes (the system's:
// errno values on Linux, GetLastError values on Windows).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Text.h"

namespace th {

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int utcOffsetMinutes = 0;  // local time less UTC, in minutes (east positive)
};

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;

  // Directory of the running executable, with its trailing separator.
  virtual std::string executableDirectory() const = 0;
  virtual LocalDateTime now() const = 0;
  virtual Text timeSeparator() const = 0;

  virtual bool fileExists(const std::string& path) const = 0;
  // Reads up to `count` bytes from the start of an existing file, opened for
  // reading and writing as the settings file is. Returns 0 or the error code;
  // `out` holds what was read even when it is short.
  virtual int readFile(const std::string& path, std::size_t count, std::string& out) = 0;
  // Every file operation works on regular files only: anything else in a
  // file's place (a FIFO, a device) fails (EINVAL on Linux,
  // ERROR_INVALID_PARAMETER on Windows) instead of blocking.
  // Appends to a file, creating it when missing. 0 or the error code.
  virtual int appendFile(const std::string& path, std::string_view bytes) = 0;
  // Creates or empties a file and writes the bytes. 0 or the error code.
  virtual int rewriteFile(const std::string& path, std::string_view bytes) = 0;
  // Size of a file, or -1 with the error code in `error`.
  virtual std::int64_t fileSize(const std::string& path, int& error) = 0;
  // Cuts a file to `size` bytes. 0 or the error code.
  virtual int truncateFile(const std::string& path, std::int64_t size) = 0;
  // Reads up to `count` bytes from `offset` on, opened read-only. 0 or the error code.
  virtual int readFileAt(const std::string& path, std::int64_t offset, std::size_t count,
                         std::string& out) = 0;
  // Makes a file's content durable (it survives a power cut). 0 or the error code.
  virtual int syncFile(const std::string& path) = 0;
  // Creates one folder level. 0 or the error code (EEXIST or
  // ERROR_ALREADY_EXISTS when it exists).
  virtual int createDirectory(const std::string& path) = 0;
  // Renames a file, replacing a file of the new name in one step (a reader
  // sees the old content or the new, never a mix). 0 or the error code.
  virtual int renameFile(const std::string& from, const std::string& to) = 0;
};

// The services of the system the tool runs on (per-OS file).
std::unique_ptr<PlatformServices> MakeSystemServices();
// The system's error code for a full disk (ENOSPC, ERROR_DISK_FULL).
int DiskFullError();
// The separator between a folder and a name ('/', '\\').
char PathSeparator();
// `folder`, the system's separator and `name`.
std::string JoinPath(const std::string& folder, const std::string& name);

// "yyyy-mm-dd hh:mm:ss" with the regional time separator in place of ":".
Text FormatDateTime(const LocalDateTime& t, const Text& timeSeparator);

}  // namespace th
