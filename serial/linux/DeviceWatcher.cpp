// The event thread's wait on Linux: epoll on the device and a stop eventfd.
//
// What Linux reports as the end of a line is a hang-up: the far end of a
// pseudo-terminal closed, a USB adapter gone (EPOLLHUP, with EPOLLIN for the
// bytes that came before). A carrier drop is not among it: the port runs
// with CLOCAL (it never waits for a carrier), so the kernel neither hangs the
// tty up nor wakes poll when DCD falls, and a pseudo-terminal has no DCD at
// all (TIOCMGET fails with ENOTTY). A modem's "NO CARRIER" arrives as data.
#include "serial/DeviceWatcher.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace th {

struct DeviceWatcher::Impl {
  int device = -1;
  int stopEvent = -1;
  int epoll = -1;
  std::atomic<std::uint64_t> waits{0};

  ~Impl() {
    if (epoll >= 0) {
      ::close(epoll);
    }
    if (stopEvent >= 0) {
      ::close(stopEvent);
    }
  }
};

DeviceWatcher::DeviceWatcher(DeviceHandle handle, DeviceApi* /*api*/,
                             const std::atomic<std::uint64_t>& /*bytesTaken*/,
                             const std::atomic<std::uint32_t>& /*holdBackLimitMs*/)
    : impl_(std::make_unique<Impl>()) {
  impl_->device = static_cast<int>(handle);
  impl_->stopEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  impl_->epoll = ::epoll_create1(EPOLL_CLOEXEC);
  if (impl_->stopEvent < 0 || impl_->epoll < 0) {
    throw std::system_error(errno, std::generic_category(), "serial event thread");
  }
  epoll_event stop{};
  stop.events = EPOLLIN;
  stop.data.fd = impl_->stopEvent;
  // Edge-triggered: each new arrival is reported once, also while older bytes
  // are still unread, and a hang-up is reported once instead of forever.
  epoll_event device{};
  device.events = EPOLLIN | EPOLLET;
  device.data.fd = impl_->device;
  if (::epoll_ctl(impl_->epoll, EPOLL_CTL_ADD, impl_->stopEvent, &stop) != 0 ||
      ::epoll_ctl(impl_->epoll, EPOLL_CTL_ADD, impl_->device, &device) != 0) {
    throw std::system_error(errno, std::generic_category(), "serial event thread");
  }
}

DeviceWatcher::~DeviceWatcher() = default;

void DeviceWatcher::stop() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(impl_->stopEvent, &one, sizeof one);
}

void DeviceWatcher::sent() {}

int DeviceWatcher::error() const {
  // A hang-up comes with no code on Linux: poll reports it as such.
  return 0;
}

std::uint64_t DeviceWatcher::waits() const {
  return impl_->waits.load();
}

DeviceWatcher::Event DeviceWatcher::wait() {
  std::array<epoll_event, 2> ready{};
  for (;;) {
    impl_->waits.fetch_add(1);
    const int n = ::epoll_wait(impl_->epoll, ready.data(), static_cast<int>(ready.size()), -1);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return Event::End;  // a failed wait ends the thread quietly
    }
    bool stop = false;
    bool arrived = false;
    bool gone = false;
    for (int i = 0; i < n; ++i) {
      const epoll_event& e = ready[static_cast<std::size_t>(i)];
      if (e.data.fd == impl_->stopEvent) {
        stop = true;
      } else if (e.data.fd == impl_->device) {
        arrived = arrived || (e.events & EPOLLIN) != 0;
        gone = gone || (e.events & (EPOLLHUP | EPOLLERR)) != 0;
      }
    }
    // A stop request wins over an arrival or a hang-up reported with it.
    if (stop) {
      return Event::End;
    }
    if (gone) {
      return Event::Hangup;
    }
    if (arrived) {
      return Event::Arrival;
    }
  }
}

void NameCurrentThread(const char* name) {
  ::pthread_setname_np(::pthread_self(), name);
}

std::uint64_t CurrentThreadId() {
  return static_cast<std::uint64_t>(::syscall(SYS_gettid));
}

}  // namespace th
