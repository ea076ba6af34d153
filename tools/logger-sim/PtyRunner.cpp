#include "tools/logger-sim/PtyRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "tools/logger-sim/StateFile.h"

namespace th::sim {

namespace {

constexpr std::size_t kChunk = 65536;

std::string ErrnoText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PtyRunner::~PtyRunner() {
  removeLink();
  for (const int fd : {signals_, watch_, holder_, master_}) {
    if (fd >= 0) {
      ::close(fd);
    }
  }
}

// Removes the link only while it is still ours.
void PtyRunner::removeLink() {
  if (!linked_) {
    return;
  }
  std::array<char, 4096> target{};
  const ssize_t n = ::readlink(options_.link.c_str(), target.data(), target.size() - 1);
  if (n > 0 && std::string(target.data(), static_cast<std::size_t>(n)) == device_) {
    ::unlink(options_.link.c_str());
  }
  linked_ = false;
}

bool PtyRunner::openPty(std::string& error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    error = ErrnoText("pseudo-terminal");
    return false;
  }
  std::array<char, 256> name{};
  if (::ptsname_r(master_, name.data(), name.size()) != 0) {
    error = ErrnoText("ptsname");
    return false;
  }
  device_ = name.data();
  holder_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (holder_ < 0) {
    error = ErrnoText(device_.c_str());
    return false;
  }
  // Raw from the start, so a client that does not set the line up still sees
  // every byte unchanged.
  termios tio{};
  if (::tcgetattr(holder_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(holder_, TCSANOW, &tio);
  }
  wd_ = ::inotify_add_watch(watch_, device_.c_str(), IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
  if (wd_ < 0) {
    error = ErrnoText("inotify");
    return false;
  }
  openCount_ = 0;
  rxSinceOpen_ = false;
  masterPausedUntil_ = -1;
  return true;
}

bool PtyRunner::makeLink(std::string& error) {
  struct stat st {};
  if (::lstat(options_.link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = options_.link + " exists and is not a symbolic link";
      return false;
    }
    ::unlink(options_.link.c_str());
  }
  if (::symlink(device_.c_str(), options_.link.c_str()) != 0) {
    error = ErrnoText(options_.link.c_str());
    return false;
  }
  linked_ = true;
  return true;
}

bool PtyRunner::setUp(std::string& error) {
  watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0) {
    error = ErrnoText("inotify");
    return false;
  }
  if (!openPty(error)) {
    return false;
  }
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  ::sigprocmask(SIG_BLOCK, &set, nullptr);
  signals_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signals_ < 0) {
    error = ErrnoText("signalfd");
    return false;
  }
  std::signal(SIGPIPE, SIG_IGN);
  if (!options_.exportHeldDir.empty()) {
    held_.emplace(options_.exportHeldDir);
  }
  return linkLines(error) && makeLink(error);
}

bool PtyRunner::linkLines(std::string& error) {
  if (!options_.modemLines) {
    return true;
  }
  lines_.reset();
  lines_ = std::make_unique<ModemLineLink>(options_.linesSink, options_.stretchLineSleeps);
  return lines_->setUp(device_, error);
}

void PtyRunner::event(std::int64_t ms, std::string_view kind, std::string_view text) {
  if (lines_) {
    lines_->event(ms, kind, text);
  }
}

std::int64_t PtyRunner::now() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void PtyRunner::writeState(const LoggerModel& model, std::string_view exitReason) {
  savedVersion_ = model.version();
  if (held_ && model.filesVersion() != savedFilesVersion_) {
    savedFilesVersion_ = model.filesVersion();
    std::string error;
    if (!held_->update(model.files(), error)) {
      std::fprintf(stderr, "tidehaul-logger-sim: %s\n", error.c_str());
    }
  }
  if (!options_.statePath.empty()) {
    WriteFileAtomically(options_.statePath, StateJson(model, exitReason));
  }
}

void PtyRunner::drainMaster(LoggerModel& model) {
  if (master_ < 0) {
    return;
  }
  std::string buf(kChunk, '\0');
  for (;;) {
    const ssize_t n = ::read(master_, buf.data(), buf.size());
    if (n > 0) {
      rxSinceOpen_ = true;
      model.receive(std::string_view(buf.data(), static_cast<std::size_t>(n)), now());
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && errno != EAGAIN) {
      // No slave side at all (should not happen while we hold one): do not
      // let a level-triggered error spin the loop.
      masterPausedUntil_ = now() + 50;
    }
    return;
  }
}

void PtyRunner::lineClosed(LoggerModel& model) {
  model.lineClosed(now());
  pending_.clear();
  pendingOff_ = 0;
  wantOut_ = false;
  // What we wrote and nobody read would greet the next opener.
  if (holder_ >= 0) {
    ::tcflush(holder_, TCIFLUSH);
  }
}

// The adapter goes away: the master closes, so every descriptor on the slave
// side hangs up (the kernel also drops the device and our watch on it), and
// the link goes with it until the adapter is back. True when the tool was
// using the port.
bool PtyRunner::unplug(LoggerModel& model) {
  drainMaster(model);  // what the tool wrote before belongs to the old session
  const bool used = openCount_ > 0 && rxSinceOpen_;
  model.unplugged(now());
  pending_.clear();
  pendingOff_ = 0;
  wantOut_ = false;
  removeLink();
  lines_.reset();  // the adapter's lines go with it
  ::inotify_rm_watch(watch_, wd_);
  wd_ = -1;
  ::close(master_);
  master_ = -1;
  ::close(holder_);
  holder_ = -1;
  openCount_ = 0;
  replugAt_ = now() + options_.unplugGapMs;
  return used;
}

void PtyRunner::replug(LoggerModel& model) {
  replugAt_ = -1;
  std::string error;
  if (!openPty(error) || !linkLines(error) || !makeLink(error)) {
    std::fprintf(stderr, "tidehaul-logger-sim: cannot plug in again: %s\n", error.c_str());
    return;
  }
  model.pluggedIn(now(), device_);
}

// True when the simulator should end (the tool hung up and we were asked to).
bool PtyRunner::handleWatch(LoggerModel& model) {
  alignas(inotify_event) std::array<char, 4096> buf{};
  for (;;) {
    const ssize_t n = ::read(watch_, buf.data(), buf.size());
    if (n <= 0) {
      return false;
    }
    for (ssize_t off = 0; off < n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf.data() + off);
      off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
      const bool closed = (ev->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0;
      if (ev->wd != wd_ || wd_ < 0) {
        continue;
      }
      if ((ev->mask & IN_OPEN) != 0) {
        if (openCount_++ == 0) {
          rxSinceOpen_ = false;
          model.lineOpened(now());
        }
      }
      if (closed && openCount_ > 0) {
        drainMaster(model);  // what the tool wrote before closing belongs to this session
        if (--openCount_ == 0) {
          const bool used = rxSinceOpen_;
          lineClosed(model);
          if (options_.exitAfterHangup && used) {
            return true;
          }
        }
      }
    }
  }
}

void PtyRunner::flushOutput(LoggerModel& model) {
  wantOut_ = false;
  if (master_ < 0) {
    model.take(now(), kChunk);  // unplugged: nothing is queued, but timers run
    return;
  }
  for (;;) {
    if (pendingOff_ == pending_.size()) {
      pending_ = model.take(now(), kChunk);
      pendingOff_ = 0;
      if (pending_.empty()) {
        return;
      }
    }
    const ssize_t n =
        ::write(master_, pending_.data() + pendingOff_, pending_.size() - pendingOff_);
    if (n > 0) {
      pendingOff_ += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && errno == EAGAIN) {
      wantOut_ = true;
      return;
    }
    pending_.clear();
    pendingOff_ = 0;
    return;
  }
}

std::string PtyRunner::run(LoggerModel& model) {
  const std::int64_t deadline =
      options_.timeoutSec > 0 ? static_cast<std::int64_t>(options_.timeoutSec * 1000) : -1;
  for (;;) {
    if (deadline >= 0 && now() >= deadline) {
      return "timeout";
    }
    // Opens before the data that follows them, closes after the data before them.
    if (handleWatch(model)) {
      return "hangup";
    }
    const bool masterPaused = masterPausedUntil_ >= 0 && now() < masterPausedUntil_;
    if (!masterPaused) {
      drainMaster(model);
    }
    flushOutput(model);
    if (const auto due = model.unplugDue(); due && master_ >= 0 && now() >= *due) {
      if (unplug(model) && options_.exitAfterHangup) {
        return "unplug";  // the session ended: the tool cannot but let go
      }
    }
    if (replugAt_ >= 0 && now() >= replugAt_) {
      replug(model);
    }
    if (lines_) {
      // Idle: everything the model queued has gone out.
      const bool idle = pendingOff_ == pending_.size() && !model.nextDue(now());
      lines_->update(model, idle, now());
    }
    if (model.version() != savedVersion_) {
      writeState(model, "");
    }

    const std::int64_t t = now();
    std::int64_t wait = -1;
    if (!wantOut_) {
      if (const auto due = model.nextDue(t)) {
        wait = std::max<std::int64_t>(0, *due - t);
      }
    }
    if (deadline >= 0) {
      wait = wait < 0 ? deadline - t : std::min(wait, deadline - t);
    }
    if (masterPaused) {
      wait = wait < 0 ? masterPausedUntil_ - t : std::min(wait, masterPausedUntil_ - t);
    }
    const std::int64_t linesDue = lines_ ? lines_->nextDue().value_or(-1) : -1;
    for (const auto at : {model.unplugDue().value_or(-1), replugAt_, linesDue}) {
      if (at >= 0) {
        const std::int64_t left = std::max<std::int64_t>(0, at - t);
        wait = wait < 0 ? left : std::min(wait, left);
      }
    }
    wait = std::clamp<std::int64_t>(wait, -1, std::numeric_limits<int>::max());

    std::array<pollfd, 4> fds{};
    const auto masterEvents =
        static_cast<short>((masterPaused ? 0 : POLLIN) | (wantOut_ ? POLLOUT : 0));
    fds[0] = {master_, masterEvents, 0};
    fds[1] = {watch_, POLLIN, 0};
    fds[2] = {signals_, POLLIN, 0};
    fds[3] = {lines_ ? lines_->fd() : -1, POLLIN, 0};
    const int r = ::poll(fds.data(), fds.size(), static_cast<int>(wait));
    if (r < 0 && errno != EINTR) {
      return "signal";
    }
    if ((fds[3].revents & POLLIN) != 0) {
      // What the tool wrote before it changed a line belongs before the change.
      drainMaster(model);
      lines_->dteChanged(model, now());
    }
    if ((fds[2].revents & POLLIN) != 0) {
      signalfd_siginfo info{};
      [[maybe_unused]] const ssize_t n = ::read(signals_, &info, sizeof info);
      return "signal";
    }
    if (!masterPaused && (fds[0].revents & (POLLHUP | POLLERR)) != 0 &&
        (fds[0].revents & POLLIN) == 0) {
      masterPausedUntil_ = now() + 50;
    }
  }
}

}  // namespace th::sim
