// Record files on Linux: opened without blocking (a FIFO in a record file's
// place would otherwise hold the open), then refused unless regular.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/status/RecordSource.h"

namespace th::status {

namespace {

class FileSource : public RecordSource {
 public:
  FileSource(int fd, std::int64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override { ::close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::int64_t size() const override { return size_; }

  bool readAt(std::int64_t offset, char* out, std::size_t count, std::string& why) override {
    while (count > 0) {
      const ssize_t n = ::pread(fd_, out, count, offset);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        why = n == 0 ? "the file got shorter" : std::strerror(errno);
        return false;
      }
      out += n;
      offset += n;
      count -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  std::int64_t size_;
};

}  // namespace

OpenedFile OpenRecordFile(const std::string& path) {
  OpenedFile file;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    file.outcome = errno == ENOENT ? OpenedFile::Outcome::Missing : OpenedFile::Outcome::Failed;
    file.why = std::strerror(errno);
    return file;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    file.why = std::strerror(errno);
    ::close(fd);
    return file;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    file.outcome = OpenedFile::Outcome::NotRegular;
    return file;
  }
  file.outcome = OpenedFile::Outcome::Opened;
  file.identity = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  file.source = std::make_unique<FileSource>(fd, static_cast<std::int64_t>(st.st_size));
  return file;
}

std::string FolderProblem(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return std::string("cannot read the folder: ") + std::strerror(errno);
  }
  if (!S_ISDIR(st.st_mode)) {
    return "not a folder";
  }
  // Its files can be opened only when it can be searched.
  if (::access(path.c_str(), X_OK) != 0) {
    return std::string("cannot read the folder: ") + std::strerror(errno);
  }
  return "";
}

char PathSeparator() {
  return '/';
}

}  // namespace th::status
