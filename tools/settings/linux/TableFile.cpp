// The settings file on Linux: read through a descriptor that only a regular
// file yields; written to a temporary file beside it and renamed over it.
#include "tools/settings/TableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/linux/LinuxPlatformServices.h"

namespace th::settings {

namespace fs = std::filesystem;

TableRead ReadTableFile(const std::string& path, DeviceTable& table) {
  TableRead result;
  // A FIFO or device in the file's place must neither hang the tool nor be read.
  int error = 0;
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) {
    result.outcome = error == ENOENT   ? TableRead::Outcome::Missing
                     : error == EINVAL ? TableRead::Outcome::NotRegular
                                       : TableRead::Outcome::Failed;
    result.why = std::strerror(error);
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    result.why = std::strerror(errno);
    ::close(fd);
    return result;
  }
  if (static_cast<std::size_t>(st.st_size) != kSettingsFileSize) {
    ::close(fd);
    result.outcome = TableRead::Outcome::WrongSize;
    result.size = st.st_size;
    return result;
  }
  auto* bytes = reinterpret_cast<char*>(table.data());
  std::size_t got = 0;
  while (got < kSettingsFileSize) {
    const ssize_t n = ::read(fd, bytes + got, kSettingsFileSize - got);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      result.why = n < 0 ? std::strerror(errno) : "the file got shorter";
      ::close(fd);
      return result;
    }
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  result.outcome = TableRead::Outcome::Read;
  return result;
}

// A reader sees the old file or the new one, never a part of either.
void WriteTableAtomically(const std::string& requested, const DeviceTable& table) {
  // A link is followed, so the file it names is replaced and the link kept.
  std::error_code ec;
  std::string path = requested;
  if (fs::is_symlink(fs::symlink_status(requested, ec))) {
    path = fs::weakly_canonical(requested, ec).string();
    if (ec) {
      throw std::runtime_error("cannot resolve " + requested + ": " + ec.message());
    }
  }
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    throw std::runtime_error("cannot write beside " + path + ": " + std::strerror(errno));
  }
  const auto fail = [&](const std::string& what) {
    const std::string why = std::strerror(errno);
    ::close(fd);
    ::unlink(temp.c_str());
    throw std::runtime_error(what + ": " + why);
  };
  if (exists) {
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
      fail("cannot set the mode of " + temp);
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0) {
      fail("cannot set the mode of " + temp);
    }
  }
  const auto* bytes = reinterpret_cast<const char*>(table.data());
  std::size_t done = 0;
  while (done < kSettingsFileSize) {
    const ssize_t n = ::write(fd, bytes + done, kSettingsFileSize - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      fail("cannot write " + temp);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    fail("cannot write " + temp);
  }
  if (::close(fd) != 0) {
    const std::string why = std::strerror(errno);
    ::unlink(temp.c_str());
    throw std::runtime_error("cannot write " + temp + ": " + why);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    ::unlink(temp.c_str());
    throw std::runtime_error("cannot replace " + path + ": " + why);
  }
}

}  // namespace th::settings
