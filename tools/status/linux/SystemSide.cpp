#include "tools/status/SystemSide.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace th::status {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

void UseUtf8Console() {
  // Terminals take the bytes as they come.
}

std::string WriteFileAtomically(const std::string& path, const std::string& bytes) {
  // The collector reads only names ending in .prom: the temporary one is not.
  const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    return "cannot create " + temporary + ": " + std::strerror(errno);
  }
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  std::string problem;
  while (left > 0 && problem.empty()) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      problem = "cannot write " + temporary + ": " + std::strerror(n < 0 ? errno : ENOSPC);
    } else {
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  if (problem.empty() && ::fsync(fd) != 0) {
    problem = "cannot write " + temporary + ": " + std::strerror(errno);
  }
  if (::close(fd) != 0 && problem.empty()) {
    problem = "cannot write " + temporary + ": " + std::strerror(errno);
  }
  if (problem.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) {
    problem = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
  }
  if (!problem.empty()) {
    ::unlink(temporary.c_str());
  }
  return problem;
}

}  // namespace th::status
