#include "tests/soak/FullDisk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace th::test {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPage = 4096;
const char* const kFiller = ".filler";

void CopyFiles(const fs::path& from, const fs::path& to) {
  for (const auto& entry : fs::directory_iterator(from)) {
    if (entry.path().filename() != kFiller) {
      fs::copy(entry.path(), to / entry.path().filename(),
               fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
  }
}

std::size_t BytesIn(const fs::path& folder) {
  std::size_t n = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      n += (entry.file_size() + kPage - 1) / kPage * kPage + kPage;
    }
  }
  return n;
}

}  // namespace

FullDisk::FullDisk(fs::path folder, std::size_t freeBytes, const fs::path& log)
    : folder_(std::move(folder)), saved_(folder_.string() + ".saved") {
  fs::remove_all(saved_);
  fs::create_directories(saved_);
  CopyFiles(folder_, saved_);
  const std::size_t size = BytesIn(saved_) + freeBytes + 16 * kPage;
  const std::string options = "size=" + std::to_string((size + kPage - 1) / kPage * kPage);
  mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
  if (mounted_) {
    CopyFiles(saved_, folder_);
    fill(freeBytes);
    return;
  }
  // Every data file may grow by `freeBytes` past the largest there is (the
  // others a little more), and the log by an entry or two at least (it is
  // outside the folder, but the limit holds for every file the tool writes).
  std::size_t largest = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
    if (entry.is_regular_file()) {
      largest = std::max<std::size_t>(largest, entry.file_size());
    }
  }
  std::error_code ec;
  const std::uintmax_t logSize = fs::file_size(log, ec);
  const std::string limit =
      std::to_string(std::max<std::size_t>(largest + freeBytes, (ec ? 0 : logSize) + 512));
  launcher_ = {"/usr/bin/prlimit", "--fsize=" + limit + ":" + limit, "--"};
}

void FullDisk::fill(std::size_t freeBytes) {
  const std::string filler = (folder_ / kFiller).string();
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) {
    return;
  }
  const std::string block(kPage, 'f');
  std::size_t written = 0;
  for (;;) {
    const ssize_t n = ::write(fd, block.data(), block.size());
    if (n <= 0) {
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  // Give back what is to stay free (in whole pages, as tmpfs counts).
  const std::size_t back = (freeBytes + kPage - 1) / kPage * kPage;
  [[maybe_unused]] const int r =
      ::ftruncate(fd, static_cast<off_t>(written - std::min(written, back)));
  ::close(fd);
}

std::string FullDisk::way() const {
  return mounted_ ? "a full tmpfs mounted on the data folder"
                  : "a file size limit on the tool (prlimit --fsize)";
}

FullDisk::~FullDisk() {
  if (mounted_) {
    // What the job wrote goes with the folder's files back to the plain folder.
    fs::remove_all(saved_);
    fs::create_directories(saved_);
    CopyFiles(folder_, saved_);
    ::umount2(folder_.c_str(), MNT_DETACH);
    for (const auto& entry : fs::directory_iterator(folder_)) {
      fs::remove_all(entry.path());
    }
    CopyFiles(saved_, folder_);
  }
  fs::remove_all(saved_);
}

}  // namespace th::test
