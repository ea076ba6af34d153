// The modem-line shim: loaded with LD_PRELOAD into every process of a Wine
// test session, it gives the session's test pseudo-terminals the modem lines
// that Wine's COM ports need and a pty lacks. It wraps ioctl: only when the
// kernel refuses a modem-line call (TIOCMGET, TIOCMSET, TIOCMBIS, TIOCMBIC,
// TIOCGICOUNT, TIOCMIWAIT) with ENOTTY or EINVAL on a pty slave whose far end
// made a state file (ModemLineState.h) does it answer from that file. Real
// ports, other ptys and every other call are untouched.
//
// Wine's pending WaitCommEvent looks at the lines, sleeps 1 ms and looks
// again. With kLongSleeps set by the far end, that sleep lasts until a line
// changes or bytes arrive, up to 50 ms: far fewer wake-ups, for CPU figures.
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/futex.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "tools/wine-shim/ModemLineState.h"

namespace {

using th::modemlines::State;
namespace ml = th::modemlines;

constexpr std::uint32_t kDteLines = TIOCM_DTR | TIOCM_RTS;
constexpr int kLongSleepMs = 50;
constexpr unsigned kPorts = 2048;  // /dev/pts/0 to 2047: majors 136 to 143

using IoctlFunction = int (*)(int, unsigned long, ...);
using SelectFunction = int (*)(int, fd_set*, fd_set*, fd_set*, timeval*);

IoctlFunction RealIoctl() {
  static const auto real = reinterpret_cast<IoctlFunction>(::dlsym(RTLD_NEXT, "ioctl"));
  return real;
}

SelectFunction RealSelect() {
  static const auto real = reinterpret_cast<SelectFunction>(::dlsym(RTLD_NEXT, "select"));
  return real;
}

const std::string& Directory() {
  static const std::string directory = [] {
    const char* value = std::getenv(ml::kDirectoryVariable);
    return std::string(value != nullptr ? value : "");
  }();
  return directory;
}

// One mapped state file; mapped again when the far end made a new one.
struct Mapping {
  ino_t inode = 0;
  State* state = nullptr;
  int wake = -1;
};

std::mutex gLock;
std::array<Mapping, kPorts> gMappings;

// The number N of /dev/pts/N that `fd` is, or -1.
long PtyNumber(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
    return -1;
  }
  const unsigned major = ::major(st.st_rdev);
  if (major < 136 || major > 143) {
    return -1;
  }
  return (static_cast<long>(major) - 136) * 256 + static_cast<long>(::minor(st.st_rdev));
}

// The state of pty `number` as its far end keeps it now, or null.
Mapping* Find(long number) {
  if (number < 0 || number >= static_cast<long>(kPorts) || Directory().empty()) {
    return nullptr;
  }
  const std::string path = ml::StatePath(Directory(), static_cast<unsigned>(number));
  struct stat st {};
  const bool exists =
      ::stat(path.c_str(), &st) == 0 && st.st_size >= static_cast<off_t>(sizeof(State));
  std::lock_guard lock(gLock);
  Mapping& m = gMappings[static_cast<std::size_t>(number)];
  if (m.state != nullptr && (!exists || m.inode != st.st_ino)) {
    // Left mapped: another thread may still be answering from it, and a
    // session makes few ports.
    m = Mapping{};
  }
  if (!exists) {
    return nullptr;
  }
  if (m.state == nullptr) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      return nullptr;
    }
    void* map = ::mmap(nullptr, sizeof(State), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
      return nullptr;
    }
    m.state = static_cast<State*>(map);
    m.inode = st.st_ino;
    m.wake = ::open((path + ".wake").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  }
  return m.state->magic.load() == ml::kMagic ? &m : nullptr;
}

// Counts a call answered, for the port and for the whole session.
void Answered(State& state) {
  state.answered.fetch_add(1);
  static std::atomic<std::uint32_t>* session = [] {
    const int fd = ::open(ml::SessionCountPath(Directory()).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      return static_cast<std::atomic<std::uint32_t>*>(nullptr);
    }
    void* map = ::mmap(nullptr, sizeof(std::uint32_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    return map == MAP_FAILED ? nullptr : static_cast<std::atomic<std::uint32_t>*>(map);
  }();
  if (session != nullptr) {
    session->fetch_add(1);
  }
}

void SetDte(State& state, std::uint32_t lines) {
  lines &= kDteLines;
  const std::uint32_t old = state.dte.exchange(lines);
  if (old == lines) {
    return;
  }
  const std::uint32_t change = state.dteChanges.load() + 1;
  state.history[change % ml::kHistory].store(lines);
  state.dteChanges.store(change);
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&state.dteChanges), FUTEX_WAKE, INT32_MAX,
            nullptr, nullptr, 0);
}

// TIOCMIWAIT: until one of the lines in `mask` changes.
void WaitForLines(State& state, unsigned long mask) {
  const std::uint32_t lines = state.dce.load();
  const std::uint32_t ring = state.counters[ml::kRing].load();
  for (;;) {
    const std::uint32_t seen = state.dceChanges.load();
    if (((state.dce.load() ^ lines) & mask) != 0 ||
        ((mask & TIOCM_RNG) != 0 && state.counters[ml::kRing].load() != ring)) {
      return;
    }
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&state.dceChanges), FUTEX_WAIT, seen,
              nullptr, nullptr, 0);
  }
}

int Answer(State& state, unsigned long request, void* arg) {
  switch (request) {
    case TIOCMGET:
      *static_cast<int*>(arg) = static_cast<int>(state.dte.load() | state.dce.load());
      break;
    case TIOCMSET:
      SetDte(state, static_cast<std::uint32_t>(*static_cast<const int*>(arg)));
      break;
    case TIOCMBIS:
      SetDte(state, state.dte.load() | static_cast<std::uint32_t>(*static_cast<const int*>(arg)));
      break;
    case TIOCMBIC:
      SetDte(state, state.dte.load() & ~static_cast<std::uint32_t>(*static_cast<const int*>(arg)));
      break;
    case TIOCGICOUNT: {
      auto* counts = static_cast<serial_icounter_struct*>(arg);
      *counts = serial_icounter_struct{};
      int* fields[] = {&counts->cts,    &counts->dsr, &counts->rng,        &counts->dcd,
                       &counts->rx,     &counts->tx,  &counts->frame,      &counts->overrun,
                       &counts->parity, &counts->brk, &counts->buf_overrun};
      for (std::uint32_t i = 0; i < ml::kCounters; ++i) {
        *fields[i] = static_cast<int>(state.counters[i].load());
      }
      break;
    }
    case TIOCMIWAIT:
      WaitForLines(state, reinterpret_cast<unsigned long>(arg));
      break;
    default:
      return -1;
  }
  Answered(state);
  return 0;
}

bool IsModemLineCall(unsigned long request) {
  return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC ||
         request == TIOCGICOUNT || request == TIOCMIWAIT;
}

// The port whose lines this thread looked at last: Wine's waiting thread
// looks at one port between its sleeps.
thread_local long tLastPort = -1;
thread_local int tLastFd = -1;

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  const int result = RealIoctl()(fd, request, arg);
  if (result == 0 || !IsModemLineCall(request)) {
    return result;
  }
  const int error = errno;
  if (error != ENOTTY && error != EINVAL) {
    return result;
  }
  const long number = PtyNumber(fd);
  Mapping* mapping = Find(number);
  if (mapping == nullptr || Answer(*mapping->state, request, arg) != 0) {
    errno = error;
    return result;
  }
  tLastPort = number;
  tLastFd = fd;
  return 0;
}

// Wine's wait sleeps with select on no descriptors for about a millisecond.
extern "C" int select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                      timeval* timeout) {
  const bool shortSleep = nfds == 0 && readfds == nullptr && writefds == nullptr &&
                          exceptfds == nullptr && timeout != nullptr && timeout->tv_sec == 0 &&
                          timeout->tv_usec <= 2000;
  if (shortSleep && tLastPort >= 0) {
    Mapping* mapping = Find(tLastPort);
    if (mapping != nullptr && (mapping->state->options.load() & ml::kLongSleeps) != 0 &&
        mapping->wake >= 0) {
      std::array<pollfd, 2> wait = {pollfd{tLastFd, POLLIN, 0}, pollfd{mapping->wake, POLLIN, 0}};
      ::poll(wait.data(), wait.size(), kLongSleepMs);
      char drained[64];
      while (::read(mapping->wake, drained, sizeof drained) > 0) {
      }
      timeout->tv_usec = 0;
      return 0;
    }
  }
  return RealSelect()(nfds, readfds, writefds, exceptfds, timeout);
}
