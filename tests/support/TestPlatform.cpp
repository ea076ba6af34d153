#include "tests/support/TestPlatform.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace th::test {

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "tidehaul-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = templ;
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
  const int error = LinuxPlatformServices::appendFile(path, fits);
  return error != 0 ? error : (fits.size() < bytes.size() ? ENOSPC : 0);
}

int TestPlatform::rewriteFile(const std::string& path, std::string_view bytes) {
  const std::string_view fits = Fitting(path, bytes);
  const int error = LinuxPlatformServices::rewriteFile(path, fits);
  return error != 0 ? error : (fits.size() < bytes.size() ? ENOSPC : 0);
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
