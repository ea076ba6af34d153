#include "tests/serial/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace th::test {

namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) {
    Fail("posix_openpt");
  }
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    Fail("unlockpt");
  }
  std::array<char, 128> name{};
  if (::ptsname_r(master_, name.data(), name.size()) != 0) {
    Fail("ptsname_r");
  }
  slave_ = name.data();
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
  closeMaster();
}

void PseudoTerminal::closeMaster() {
  if (master_ >= 0) {
    ::close(master_);
  }
  master_ = -1;
}

void PseudoTerminal::linkAs(const std::string& path) const {
  ::unlink(path.c_str());
  if (::symlink(slave_.c_str(), path.c_str()) != 0) {
    Fail("symlink");
  }
}

void PseudoTerminal::send(std::string_view bytes) const {
  while (!bytes.empty()) {
    const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      Fail("write to pseudo-terminal");
    }
    pollfd p{master_, POLLOUT, 0};
    ::poll(&p, 1, 100);
  }
}

std::string PseudoTerminal::receive(std::size_t count, int timeoutMs) const {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string out;
  std::array<char, 4096> buffer{};
  while (out.size() < count) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, MsLeft(deadline)) <= 0) {
      break;
    }
    const ssize_t n = ::read(master_, buffer.data(), std::min(buffer.size(), count - out.size()));
    if (n > 0) {
      out.append(buffer.data(), static_cast<std::size_t>(n));
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      break;
    }
  }
  return out;
}

std::string PseudoTerminal::drain(int quietMs) const {
  std::string out;
  std::array<char, 4096> buffer{};
  for (;;) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, quietMs) <= 0) {
      return out;
    }
    const ssize_t n = ::read(master_, buffer.data(), buffer.size());
    if (n <= 0) {
      return out;
    }
    out.append(buffer.data(), static_cast<std::size_t>(n));
  }
}

}  // namespace th::test
