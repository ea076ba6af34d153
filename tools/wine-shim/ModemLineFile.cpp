#include "tools/wine-shim/ModemLineFile.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace th::modemlines {

namespace {

constexpr std::uint32_t kDceLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG;

// The number N of /dev/pts/N, or -1 for anything else.
long PtyNumber(const std::string& slavePath) {
  struct stat st {};
  if (::stat(slavePath.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
    return -1;
  }
  const unsigned major = ::major(st.st_rdev);
  if (major < 136 || major > 143) {
    return -1;
  }
  return (static_cast<long>(major) - 136) * 256 + static_cast<long>(::minor(st.st_rdev));
}

void FutexWait(const std::atomic<std::uint32_t>& word, std::uint32_t seen, int timeoutMs) {
  timespec limit{timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1000000L};
  ::syscall(SYS_futex, reinterpret_cast<const std::uint32_t*>(&word), FUTEX_WAIT, seen, &limit,
            nullptr, 0);
}

}  // namespace

std::string ModemLineFile::SessionDirectory() {
  const char* directory = std::getenv(kDirectoryVariable);
  return directory != nullptr ? directory : "";
}

std::unique_ptr<ModemLineFile> ModemLineFile::Create(const std::string& directory,
                                                     const std::string& slavePath,
                                                     std::uint32_t options, std::string& error) {
  const long number = PtyNumber(slavePath);
  if (number < 0) {
    error = slavePath + " is no pseudo-terminal";
    return nullptr;
  }
  const std::string path = StatePath(directory, static_cast<unsigned>(number));
  // A file of an earlier pseudo-terminal of that number goes first: its
  // mappings keep its old contents, and a new shim maps the new file.
  ::unlink(path.c_str());
  ::unlink((path + ".wake").c_str());
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 || ::ftruncate(fd, sizeof(State)) != 0) {
    error = path + ": " + std::strerror(errno);
    if (fd >= 0) {
      ::close(fd);
    }
    return nullptr;
  }
  void* map = ::mmap(nullptr, sizeof(State), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) {
    error = path + ": " + std::strerror(errno);
    ::unlink(path.c_str());
    return nullptr;
  }
  int wake = -1;
  if (::mkfifo((path + ".wake").c_str(), 0600) == 0) {
    wake = ::open((path + ".wake").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  }
  // The zero-filled file is a valid state of lines all off; the magic comes
  // last, when the rest is in place.
  auto* state = new (map) State{};
  state->options.store(options);
  state->magic.store(kMagic);
  return std::unique_ptr<ModemLineFile>(new ModemLineFile(path, state, wake));
}

ModemLineFile::ModemLineFile(std::string path, State* state, int wake)
    : path_(std::move(path)), state_(state), wake_(wake) {}

ModemLineFile::~ModemLineFile() {
  ::unlink(path_.c_str());
  ::unlink((path_ + ".wake").c_str());
  if (wake_ >= 0) {
    ::close(wake_);
  }
  ::munmap(state_, sizeof(State));
}

void ModemLineFile::changed() {
  state_->dceChanges.fetch_add(1);
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&state_->dceChanges), FUTEX_WAKE, INT32_MAX,
            nullptr, nullptr, 0);
  if (wake_ >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &byte, 1);
  }
}

void ModemLineFile::setLines(std::uint32_t lines) {
  lines &= kDceLines;
  const std::uint32_t old = state_->dce.exchange(lines);
  const std::uint32_t flipped = old ^ lines;
  if (flipped == 0) {
    return;
  }
  constexpr std::pair<std::uint32_t, Counter> kLines[] = {
      {TIOCM_CTS, kCts}, {TIOCM_DSR, kDsr}, {TIOCM_CAR, kCarrier}, {TIOCM_RNG, kRing}};
  for (const auto& [line, counter] : kLines) {
    // A UART counts the ring indicator's trailing edge only.
    const bool counts = line == TIOCM_RNG ? (old & line) != 0 : true;
    if ((flipped & line) != 0 && counts) {
      state_->counters[counter].fetch_add(1);
    }
  }
  changed();
}

std::uint32_t ModemLineFile::lines() const {
  return state_->dce.load();
}

void ModemLineFile::count(Counter counter, std::uint32_t times) {
  state_->counters[counter].fetch_add(times);
  changed();
}

std::uint32_t ModemLineFile::dte() const {
  return state_->dte.load();
}

std::uint32_t ModemLineFile::waitDte(std::uint32_t mask, std::uint32_t want, int timeoutMs) const {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::uint32_t seen = state_->dteChanges.load();
    const std::uint32_t lines = state_->dte.load();
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if ((lines & mask) == want || left <= 0) {
      return lines;
    }
    FutexWait(state_->dteChanges, seen, static_cast<int>(left));
  }
}

std::uint32_t ModemLineFile::dteChanges() const {
  return state_->dteChanges.load();
}

std::uint32_t ModemLineFile::waitDteChange(std::uint32_t seen, int timeoutMs) const {
  if (state_->dteChanges.load() == seen) {
    FutexWait(state_->dteChanges, seen, timeoutMs);
  }
  return state_->dteChanges.load();
}

std::vector<std::uint32_t> ModemLineFile::dteHistory(std::uint32_t from) const {
  const std::uint32_t to = state_->dteChanges.load();
  if (to - from > kHistory) {
    from = to - kHistory;
  }
  std::vector<std::uint32_t> values;
  for (std::uint32_t change = from; change != to; ++change) {
    values.push_back(state_->history[(change + 1) % kHistory].load());
  }
  return values;
}

std::uint32_t ModemLineFile::answered() const {
  return state_->answered.load();
}

}  // namespace th::modemlines
