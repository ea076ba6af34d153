#pragma once
// Platform services for tests: real files in a temporary directory that stands
// for the executable's directory, and a fixed local clock.
#include <filesystem>
#include <string>

#include "platform/linux/LinuxPlatformServices.h"

namespace th::test {

// A fresh temporary directory, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

class TestPlatform : public LinuxPlatformServices {
 public:
  explicit TestPlatform(std::string directory) : dir_(std::move(directory) + "/") {}
  std::string executableDirectory() const override { return dir_; }
  LocalDateTime now() const override { return clock; }
  Text timeSeparator() const override { return separator; }

  // Files under limitedFolder lie on a disk with spaceLeft bytes free (-1: no
  // limit): a write that does not fit writes what fits, then fails with
  // ENOSPC, as a full disk does.
  int appendFile(const std::string& path, std::string_view bytes) override;
  int rewriteFile(const std::string& path, std::string_view bytes) override;

  LocalDateTime clock{2024, 5, 6, 14, 5, 31};
  Text separator = u":";
  std::string limitedFolder;
  std::int64_t spaceLeft = -1;

 private:
  // What of `bytes` fits on the disk; takes it from spaceLeft.
  std::string_view Fitting(const std::string& path, std::string_view bytes);

  std::string dir_;
};

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace th::test
