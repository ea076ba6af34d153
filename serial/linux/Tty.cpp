#include "serial/linux/Tty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "serial/OutputDrain.h"

namespace th::tty {

namespace {

// Pseudo-terminals answer ENOTTY (older kernels EINVAL) to modem-line calls.
bool NoModemLines(int error) {
  return error == ENOTTY || error == EINVAL;
}

int ModemLine(int fd, int line, bool on) {
  if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) {
    return 0;
  }
  const int error = errno;
  return NoModemLines(error) ? 0 : error;
}

}  // namespace

int OpenExclusive(const std::string& path, int& fd) {
  fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  // The lock decides: TIOCEXCL does not stop root. It comes first so that a
  // failed open never touches the flag of the process holding the port.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    fd = -1;
    return error;
  }
  ::ioctl(fd, TIOCEXCL);
  return 0;
}

int OutputCount(int fd, int& count) {
  count = 0;
  if (ioctl(fd, TIOCOUTQ, &count) != 0) {
    return errno;
  }
  return 0;
}

int CloseDevice(int fd, std::uint32_t perByteMs, std::uint32_t constantMs) {
  const bool sent =
      DrainOutput([fd](int& count) { return OutputCount(fd, count); }, perByteMs, constantMs);
  // Output that went out is not flushed: on a pseudo-terminal that would
  // drop what the far end has not read yet.
  ::tcflush(fd, sent ? TCIFLUSH : TCIOFLUSH);
  // On a pseudo-terminal whose master stays open the flag outlives the close
  // and the next open would fail with EBUSY.
  ::ioctl(fd, TIOCNXCL);
  if (::close(fd) != 0) {
    return errno;
  }
  return 0;
}

int CheckHandle(int fd) {
  return ::fcntl(fd, F_GETFD) < 0 ? errno : 0;
}

int SetDtr(int fd, bool on) {
  return ModemLine(fd, TIOCM_DTR, on);
}
int SetRts(int fd, bool on) {
  return ModemLine(fd, TIOCM_RTS, on);
}

int GetModemLines(int fd, ModemLines& lines) {
  lines = {};
  int bits = 0;
  if (ioctl(fd, TIOCMGET, &bits) != 0) {
    const int error = errno;
    return NoModemLines(error) ? 0 : error;
  }
  lines.cts = (bits & TIOCM_CTS) != 0;
  lines.dsr = (bits & TIOCM_DSR) != 0;
  lines.ring = (bits & TIOCM_RNG) != 0;
  lines.carrier = (bits & TIOCM_CAR) != 0;
  return 0;
}

int InputCount(int fd, int& count) {
  count = 0;
  if (ioctl(fd, FIONREAD, &count) != 0) {
    return errno;
  }
  return 0;
}

int ReadAvailable(int fd, int count, std::string& out) {
  out.clear();
  // In chunks: the count comes from the caller, and a huge one must not
  // allocate more than has arrived.
  constexpr int kChunk = 16384;
  while (static_cast<int>(out.size()) < count) {
    const int want = std::min(kChunk, count - static_cast<int>(out.size()));
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(want));
    const ssize_t n = ::read(fd, out.data() + at, static_cast<std::size_t>(want));
    const int error = errno;
    out.resize(at + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n < 0 && error == EINTR) {
      continue;
    }
    if (n < 0 && error != EAGAIN) {
      return error;
    }
    if (n < want) {
      return 0;  // nothing more has arrived (EAGAIN, or a short read)
    }
  }
  return 0;
}

int WriteAll(int fd, const char* data, int count, long long timeoutMs, int& written) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  written = 0;
  while (written < count) {
    const ssize_t n = ::write(fd, data + written, static_cast<std::size_t>(count - written));
    if (n > 0) {
      written += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && errno != EAGAIN) {
      return errno;
    }
    // The output queue is full: wait for room, within the write's time limit.
    int waitMs = -1;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        return 0;
      }
      waitMs = left > 60'000 ? 60'000 : static_cast<int>(left);
    }
    pollfd p{fd, POLLOUT, 0};
    const int r = ::poll(&p, 1, waitMs);
    if (r < 0 && errno != EINTR) {
      return errno;
    }
    if (r > 0 && (p.revents & (POLLERR | POLLNVAL)) != 0) {
      return EIO;
    }
  }
  return 0;
}

}  // namespace th::tty
