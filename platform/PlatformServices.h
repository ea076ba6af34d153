#pragma once
// Operating-system services the logic uses: where the executable lies, the
// local clock, and the file operations with their error codes (errno values).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Text.h"

namespace th {

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;

  // Directory of the running executable, with its trailing "/".
  virtual std::string executableDirectory() const = 0;
  virtual LocalDateTime now() const = 0;
  virtual Text timeSeparator() const = 0;

  virtual bool fileExists(const std::string& path) const = 0;
  // Reads up to `count` bytes from the start of an existing file, opened for
  // reading and writing as the settings file is. Returns 0 or the errno value;
  // `out` holds what was read even when it is short.
  virtual int readFile(const std::string& path, std::size_t count, std::string& out) = 0;
  // The file operations below work on regular files only: anything else in a
  // file's place (a FIFO, a device) fails with EINVAL instead of blocking.
  // Appends to a file, creating it when missing. 0 or the errno value.
  virtual int appendFile(const std::string& path, std::string_view bytes) = 0;
  // Creates or empties a file and writes the bytes. 0 or the errno value.
  virtual int rewriteFile(const std::string& path, std::string_view bytes) = 0;
  // Size of a file, or -1 with the errno value in `error`.
  virtual std::int64_t fileSize(const std::string& path, int& error) = 0;
  // Cuts a file to `size` bytes. 0 or the errno value.
  virtual int truncateFile(const std::string& path, std::int64_t size) = 0;
  // Reads up to `count` bytes from `offset` on, opened read-only. 0 or the errno value.
  virtual int readFileAt(const std::string& path, std::int64_t offset, std::size_t count,
                         std::string& out) = 0;
  // Makes a file's content durable (it survives a power cut). 0 or the errno value.
  virtual int syncFile(const std::string& path) = 0;
  // Creates one folder level. 0 or the errno value (EEXIST when it exists).
  virtual int createDirectory(const std::string& path) = 0;
};

// "yyyy-mm-dd hh:mm:ss" with the regional time separator in place of ":".
Text FormatDateTime(const LocalDateTime& t, const Text& timeSeparator);

}  // namespace th
