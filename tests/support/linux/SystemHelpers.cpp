#include "tests/support/SystemHelpers.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Errors.h"

namespace th::test {

double ThreadCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool FilePermissionsBind() {
  return ::geteuid() != 0;
}

int AccessDeniedError() {
  return EACCES;
}

std::string FolderInPlaceMessage() {
  return EInOutError::fromErrno(EISDIR).what();
}

std::string MissingFolderMessage() {
  return EInOutError::fromErrno(ENOENT).what();
}

bool SystemHasFifos() {
  return true;
}

bool MakeFifo(const std::string& path) {
  return ::mkfifo(path.c_str(), 0644) == 0;
}

}  // namespace th::test
