#include "tests/support/TestPlatform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace th::test {

TempDir::TempDir() {
  // A random name that nobody else made: create_directory is false when it exists.
  static std::atomic<unsigned> made{0};
  std::random_device entropy;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string name = "tidehaul-" + std::to_string(entropy()) + "-" +
                             std::to_string(stamp % 1000000) + "-" + std::to_string(made++);
    if (std::filesystem::create_directory(base / name)) {
      path_ = base / name;
      return;
    }
  }
  throw std::runtime_error("no temporary directory could be made");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string_view TestPlatform::Fitting(const std::string& path, std::string_view bytes) {
  if (spaceLeft < 0 || path.rfind(limitedFolder, 0) != 0) {
    return bytes;
  }
  const auto fits = std::min(bytes.size(), static_cast<std::size_t>(spaceLeft));
  spaceLeft -= static_cast<std::int64_t>(fits);
  return bytes.substr(0, fits);
}

int TestPlatform::appendFile(const std::string& path, std::string_view bytes) {
  const std::string_view fits = Fitting(path, bytes);
  const int error = system_->appendFile(path, fits);
  return error != 0 ? error : (fits.size() < bytes.size() ? DiskFullError() : 0);
}

void TestPlatform::Free(const std::string& path, std::int64_t keep) {
  int error = 0;
  const std::int64_t size = system_->fileSize(path, error);
  if (spaceLeft >= 0 && path.rfind(limitedFolder, 0) == 0 && size > keep) {
    spaceLeft += size - keep;
  }
}

int TestPlatform::truncateFile(const std::string& path, std::int64_t size) {
  Free(path, size);
  return system_->truncateFile(path, size);
}

int TestPlatform::renameFile(const std::string& from, const std::string& to) {
  Free(to, 0);
  return system_->renameFile(from, to);
}

int TestPlatform::rewriteFile(const std::string& path, std::string_view bytes) {
  Free(path, 0);
  const std::string_view fits = Fitting(path, bytes);
  const int error = system_->rewriteFile(path, fits);
  return error != 0 ? error : (fits.size() < bytes.size() ? DiskFullError() : 0);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace th::test
