#pragma once
// Platform services for tests: real files in a temporary directory that stands
// for the executable's directory, and a fixed local clock.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/PlatformServices.h"

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

// The system's services on real files, with the directory, the clock and the
// time separator of the test.
class TestPlatform : public PlatformServices {
 public:
  explicit TestPlatform(std::string directory)
      : dir_(std::move(directory) + "/"), system_(MakeSystemServices()) {}
  std::string executableDirectory() const override { return dir_; }
  LocalDateTime now() const override { return clock; }
  Text timeSeparator() const override { return separator; }

  // Files under limitedFolder lie on a disk with spaceLeft bytes free (-1: no
  // limit): a write that does not fit writes what fits, then fails with
  // the system's disk-full code, as a full disk does.
  int appendFile(const std::string& path, std::string_view bytes) override;
  int rewriteFile(const std::string& path, std::string_view bytes) override;

  bool fileExists(const std::string& path) const override { return system_->fileExists(path); }
  int readFile(const std::string& path, std::size_t count, std::string& out) override {
    return system_->readFile(path, count, out);
  }
  std::int64_t fileSize(const std::string& path, int& error) override {
    return system_->fileSize(path, error);
  }
  // Cutting, replacing or renaming over a file under limitedFolder gives its room back.
  int truncateFile(const std::string& path, std::int64_t size) override;
  int readFileAt(const std::string& path, std::int64_t offset, std::size_t count,
                 std::string& out) override {
    return system_->readFileAt(path, offset, count, out);
  }
  int syncFile(const std::string& path) override { return system_->syncFile(path); }
  int createDirectory(const std::string& path) override { return system_->createDirectory(path); }
  int renameFile(const std::string& from, const std::string& to) override;

  LocalDateTime clock{2024, 5, 6, 14, 5, 31};
  Text separator = u":";
  std::string limitedFolder;
  std::int64_t spaceLeft = -1;

 private:
  // What of `bytes` fits on the disk; takes it from spaceLeft.
  std::string_view Fitting(const std::string& path, std::string_view bytes);
  // The room a file under limitedFolder holds beyond `keep` bytes is free again.
  void Free(const std::string& path, std::int64_t keep);

  std::string dir_;
  std::unique_ptr<PlatformServices> system_;
};

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace th::test
