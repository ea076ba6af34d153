#pragma once
#include <sys/types.h>

#include "platform/PlatformServices.h"

namespace th {

// Opens a file of the tool or its tools without waiting on whatever stands in
// its place, and keeps it only when it is a regular file: a FIFO or device
// would block the open or a read for ever. `flags` are open(2) flags (O_CLOEXEC
// is added). Returns the descriptor in blocking mode, or -1 with the errno
// value in `error`; EINVAL for anything but a regular file.
int OpenRegularFile(const std::string& path, int flags, int& error, mode_t mode = 0644);

// The whole of a regular file, however long (also files that report size 0,
// such as those under /proc). 0 or the errno value; EINVAL as above.
int ReadRegularFile(const std::string& path, std::string& out);

class LinuxPlatformServices : public PlatformServices {
 public:
  std::string executableDirectory() const override;
  LocalDateTime now() const override;
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
};

}  // namespace th
