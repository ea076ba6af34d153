#pragma once
// Platform services on Windows. Paths are in the ANSI code page, as the
// settings record holds them; error codes are GetLastError values.
#include "platform/PlatformServices.h"

namespace th {

class WinPlatformServices : public PlatformServices {
 public:
  std::string executableDirectory() const override;
  LocalDateTime now() const override;
  Text timeSeparator() const override;
  bool fileExists(const std::string& path) const override;
  int readFile(const std::string& path, std::size_t count, std::string& out) override;
  int appendFile(const std::string& path, std::string_view bytes) override;
  int rewriteFile(const std::string& path, std::string_view bytes) override;
  std::int64_t fileSize(const std::string& path, int& error) override;
  int truncateFile(const std::string& path, std::int64_t size) override;
  int readFileAt(const std::string& path, std::int64_t offset, std::size_t count,
                 std::string& out) override;
  int syncFile(const std::string& path) override;
  int createDirectory(const std::string& path) override;
  int renameFile(const std::string& from, const std::string& to) override;
};

}  // namespace th
