// SIGTERM and SIGINT, taken through a signalfd by a small thread: no handler
// runs in signal context, and the main thread gets the request as a posted
// call, also while it waits inside a job.
#include "app/StopSignals.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <thread>

namespace th {

namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

// What a posted call may still reach: gone with the watcher.
struct Target {
  std::function<void()> onStop;
};

void Watch(int signalFd, int wakeFd, EventLoop& loop, const std::weak_ptr<Target>& weak) {
  bool requested = false;
  for (;;) {
    pollfd fds[2] = {{signalFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      return;
    }
    if (fds[1].revents != 0) {
      return;
    }
    signalfd_siginfo info{};
    while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      if (requested) {
        // The first request has not ended the run: end it now.
        ::_exit(0);
      }
      requested = true;
      loop.post([weak] {
        if (const auto target = weak.lock()) {
          target->onStop();
        }
      });
    }
  }
}

}  // namespace

struct StopSignals::Impl {
  std::shared_ptr<Target> target;
  int signalFd = -1;
  int wakeFd = -1;
  std::thread thread;
};

void StopSignals::hold() {
  const sigset_t set = StopSet();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::StopSignals(EventLoop& loop, std::function<void()> onStop)
    : impl_(std::make_unique<Impl>()) {
  impl_->target = std::make_shared<Target>(Target{std::move(onStop)});
  const sigset_t set = StopSet();
  hold();
  impl_->signalFd = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  impl_->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (impl_->signalFd >= 0 && impl_->wakeFd >= 0) {
    try {
      impl_->thread = std::thread(Watch, impl_->signalFd, impl_->wakeFd, std::ref(loop),
                                  std::weak_ptr<Target>(impl_->target));
      return;
    } catch (...) {
      // No thread: as without a watch.
    }
  }
  // Not watched: a request must not be held back for ever.
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

StopSignals::~StopSignals() {
  if (impl_->thread.joinable()) {
    const std::uint64_t one = 1;
    while (::write(impl_->wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    impl_->thread.join();
  }
  for (const int fd : {impl_->signalFd, impl_->wakeFd}) {
    if (fd >= 0) {
      ::close(fd);
    }
  }
}

bool StopSignals::watching() const {
  return impl_->thread.joinable();
}

}  // namespace th
