#include "platform/linux/LinuxPlatformServices.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <optional>

namespace th {

namespace {

// Writes all bytes, resuming after interruptions; 0 or the errno value.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

int WriteAndClose(int fd, std::string_view bytes) {
  int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) {
    error = errno;
  }
  return error;
}

// Reads up to `count` bytes into `out`, resuming after interruptions, from
// `offset` on (pread) or else from the current position; closes `fd`. Stops
// early at the end of the file; 0 or the errno value.
int ReadAndClose(int fd, std::optional<off_t> offset, std::size_t count, std::string& out) {
  out.resize(count);
  std::size_t got = 0;
  int error = 0;
  while (got < count) {
    const ssize_t n =
        offset ? ::pread(fd, out.data() + got, count - got, *offset + static_cast<off_t>(got))
               : ::read(fd, out.data() + got, count - got);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      error = errno;
      break;
    }
    if (n == 0) {
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  ::close(fd);
  return error;
}

}  // namespace

int OpenRegularFile(const std::string& path, int flags, int& error, mode_t mode) {
  // Opening a device can have effects of its own (a serial port raises its
  // lines): refuse what is known not to be a file before opening it.
  struct stat before {};
  if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
    error = S_ISDIR(before.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, mode);
  if (fd < 0) {
    // A FIFO without a reader, a socket or a device without its hardware: no file either.
    error = errno == ENXIO ? EINVAL : errno;
    return -1;
  }
  // Checked again on what was opened: the path may have changed in between.
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error = EINVAL;
    return -1;
  }
  // Regular files never block; the flag would only confuse later users of the descriptor.
  const int status = ::fcntl(fd, F_GETFL);
  if (status == -1 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    error = errno;
    ::close(fd);
    return -1;
  }
  error = 0;
  return fd;
}

int ReadRegularFile(const std::string& path, std::string& out) {
  out.clear();
  int error = 0;
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) {
    return error;
  }
  constexpr std::size_t kChunk = 65536;
  for (;;) {
    const std::size_t have = out.size();
    out.resize(have + kChunk);
    const ssize_t n = ::read(fd, out.data() + have, kChunk);
    const int readError = n < 0 ? errno : 0;
    out.resize(have + static_cast<std::size_t>(n > 0 ? n : 0));
    if (readError == EINTR) {
      continue;
    }
    if (n <= 0) {
      error = readError;
      break;
    }
  }
  ::close(fd);
  return error;
}

std::unique_ptr<PlatformServices> MakeSystemServices() {
  return std::make_unique<LinuxPlatformServices>();
}

int DiskFullError() {
  return ENOSPC;
}

char PathSeparator() {
  return '/';
}

std::string LinuxPlatformServices::executableDirectory() const {
  std::error_code ec;
  auto exe = std::filesystem::canonical("/proc/self/exe", ec);
  if (ec) {
    return "./";
  }
  return exe.parent_path().string() + "/";
}

LocalDateTime LinuxPlatformServices::now() const {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900,
          tm.tm_mon + 1,
          tm.tm_mday,
          tm.tm_hour,
          tm.tm_min,
          tm.tm_sec,
          static_cast<int>(tm.tm_gmtoff / 60)};
}

bool LinuxPlatformServices::fileExists(const std::string& path) const {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int LinuxPlatformServices::readFile(const std::string& path, std::size_t count, std::string& out) {
  out.clear();
  // A FIFO or device in the file's place must not hang the tool at start.
  int error = 0;
  const int fd = OpenRegularFile(path, O_RDWR, error);
  if (fd < 0) {
    return error;
  }
  return ReadAndClose(fd, std::nullopt, count, out);
}

int LinuxPlatformServices::appendFile(const std::string& path, std::string_view bytes) {
  int error = 0;
  const int fd = OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, error);
  if (fd < 0) {
    return error;
  }
  return WriteAndClose(fd, bytes);
}

int LinuxPlatformServices::rewriteFile(const std::string& path, std::string_view bytes) {
  int error = 0;
  const int fd = OpenRegularFile(path, O_WRONLY | O_TRUNC | O_CREAT, error);
  if (fd < 0) {
    return error;
  }
  return WriteAndClose(fd, bytes);
}

std::int64_t LinuxPlatformServices::fileSize(const std::string& path, int& error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error = errno;
    return -1;
  }
  error = 0;
  return st.st_size;
}

int LinuxPlatformServices::truncateFile(const std::string& path, std::int64_t size) {
  return ::truncate(path.c_str(), size) == 0 ? 0 : errno;
}

int LinuxPlatformServices::readFileAt(const std::string& path, std::int64_t offset,
                                      std::size_t count, std::string& out) {
  out.clear();
  int error = 0;
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) {
    return error;
  }
  return ReadAndClose(fd, static_cast<off_t>(offset), count, out);
}

int LinuxPlatformServices::syncFile(const std::string& path) {
  int error = 0;
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) {
    return error;
  }
  error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  if (error != 0) {
    return error;
  }
  // A file made by this save is only found after a power cut once its folder
  // entry is on the disk too; a folder that refuses the sync is no failure.
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return 0;
}

int LinuxPlatformServices::renameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int LinuxPlatformServices::createDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0755) == 0 ? 0 : errno;
}

}  // namespace th
