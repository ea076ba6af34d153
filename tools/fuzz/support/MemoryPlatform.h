#pragma once
// Platform services on an in-memory file system: the fuzz targets run millions
// of times, and a real disk would make each run cost a sync. Paths are
// absolute; "//" and a trailing "/" mean what they mean on Linux. A fault can
// be set up: the disk fills after a given number of written bytes, or syncs fail.
#include <cerrno>
#include <map>
#include <set>
#include <string>

#include "platform/PlatformServices.h"

namespace th::fuzz {

class MemoryPlatform : public PlatformServices {
 public:
  MemoryPlatform();

  std::string executableDirectory() const override { return "/exe/"; }
  LocalDateTime now() const override { return {2024, 5, 6, 14, 5, 31}; }
  Text timeSeparator() const override { return u":"; }

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

  // The file system itself, by normalised path.
  static std::string Normal(const std::string& path);
  void putFile(const std::string& path, std::string bytes) {
    files_[Normal(path)] = std::move(bytes);
  }
  void putFolder(const std::string& path) { folders_.insert(Normal(path)); }
  bool hasFile(const std::string& path) const { return files_.count(Normal(path)) != 0; }
  bool hasFolder(const std::string& path) const { return folders_.count(Normal(path)) != 0; }
  const std::string& file(const std::string& path) const { return files_.at(Normal(path)); }

  // Bytes that still fit on the disk; -1 for no limit.
  std::int64_t spaceLeft = -1;
  bool failSync = false;

 private:
  // 0 when the folder that would hold `path` exists, else the errno value.
  int parentError(const std::string& path) const;
  // Writes what fits of `bytes` at the end of `content`.
  int put(std::string& content, std::string_view bytes);

  std::map<std::string, std::string> files_;
  std::set<std::string> folders_;
};

}  // namespace th::fuzz
