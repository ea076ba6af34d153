#include "tests/support/TestPlatform.h"

#include <unistd.h>

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

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace th::test
