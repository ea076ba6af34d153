#include "app/linux/ControlSocket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <vector>

namespace th {

namespace {

constexpr int kAcceptPauseMs = 100;

using Clock = std::chrono::steady_clock;

// Closes the descriptor when the last owner lets go; a posted reply that never
// runs (the loop ended first) still releases its connection.
struct OwnedFd {
  explicit OwnedFd(int f) : fd(f) {}
  ~OwnedFd() {
    if (fd >= 0) {
      ::close(fd);
    }
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  int fd;
};

struct Client {
  int fd;
  Clock::time_point frameDeadline;  // the whole message is due by then
  Clock::time_point deadline;       // the earlier of the stall limit and frameDeadline
  ControlFrame frame;
};

bool SameUser(int fd, uid_t uid) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) {
    return false;
  }
  return cred.uid == uid;
}

enum class ReadResult { More, Complete, Drop };

// Reads what has arrived, never past the end of the message.
ReadResult ReadSome(Client& c) {
  std::uint8_t buffer[4096];
  for (;;) {
    if (c.frame.state() == ControlFrame::State::Complete) {
      return ReadResult::Complete;
    }
    if (c.frame.state() == ControlFrame::State::Refused) {
      return ReadResult::Drop;
    }
    const std::size_t want = std::min(c.frame.wanted(), sizeof buffer);
    const ssize_t n = ::recv(c.fd, buffer, want, MSG_DONTWAIT);
    if (n > 0) {
      c.frame.add(buffer, static_cast<std::size_t>(n));
      c.deadline = std::min(Clock::now() + std::chrono::milliseconds(ControlSocket::kStallMs),
                            c.frameDeadline);
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return ReadResult::More;
    }
    return ReadResult::Drop;  // end of stream before the message was whole, or an error
  }
}

}  // namespace

struct ControlSocket::Shared {
  Handler handler;
};

std::string ControlSocket::defaultName() {
  return "TfTidehaul." + std::to_string(::getpid());
}

ControlSocket::ControlSocket(EventLoop& loop, Handler handler)
    : loop_(loop),
      shared_(std::make_shared<Shared>(Shared{std::move(handler)})),
      uid_(::geteuid()) {}

ControlSocket::~ControlSocket() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    while (::write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  if (listenFd_ >= 0) {
    ::close(listenFd_);
  }
  if (stopFd_ >= 0) {
    ::close(stopFd_);
  }
  // Replies still queued on the loop find no handler and just close.
  shared_.reset();
}

int ControlSocket::listen(const std::string& name) {
  sockaddr_un addr{};
  if (listenFd_ >= 0 || name.empty() || name.size() + 1 > sizeof addr.sun_path) {
    return EINVAL;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return errno;
  }
  addr.sun_family = AF_UNIX;
  addr.sun_path[0] = '\0';  // abstract: no file, gone with the process
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), len) != 0 ||
      ::listen(fd, static_cast<int>(kMaxClients)) != 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd_ < 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  listenFd_ = fd;
  thread_ = std::thread([this, weak = std::weak_ptr<Shared>(shared_)] { serve(weak); });
  return 0;
}

void ControlSocket::serve(const std::weak_ptr<Shared>& weak) {
  std::vector<Client> clients;
  std::vector<pollfd> fds;
  // accept() that fails for want of descriptors leaves the listener readable:
  // pause it instead of polling it again at once.
  Clock::time_point acceptPausedUntil{};
  for (;;) {
    fds.clear();
    const auto now = Clock::now();
    const bool accepting = now >= acceptPausedUntil;
    fds.push_back({stopFd_, POLLIN, 0});
    fds.push_back({accepting ? listenFd_ : -1, POLLIN, 0});
    int timeout = accepting ? -1 : kAcceptPauseMs;
    for (const Client& c : clients) {
      fds.push_back({c.fd, POLLIN, 0});
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(c.deadline - now).count();
      const int ms = left < 0 ? 0 : static_cast<int>(left);
      if (timeout < 0 || ms < timeout) {
        timeout = ms;
      }
    }
    if ((::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) || fds[0].revents != 0) {
      for (const Client& c : clients) {
        ::close(c.fd);
      }
      return;
    }

    // Read the clients first: the list may grow below.
    std::vector<Client> kept;
    for (std::size_t i = 0; i < clients.size(); ++i) {
      Client& c = clients[i];
      ReadResult r = ReadResult::More;
      if (fds[i + 2].revents != 0) {
        r = ReadSome(c);
      }
      if (r == ReadResult::More && Clock::now() >= c.deadline) {
        r = ReadResult::Drop;
      }
      if (r == ReadResult::More) {
        kept.push_back(std::move(c));
      } else if (r == ReadResult::Drop) {
        ::close(c.fd);
      } else {
        // The main thread runs the handler, then answers 0 and closes.
        auto conn = std::make_shared<OwnedFd>(c.fd);
        auto frame = std::make_shared<ControlFrame>(std::move(c.frame));
        loop_.post([weak, conn, frame] {
          const auto shared = weak.lock();
          if (!shared) {
            return;
          }
          try {
            shared->handler(frame->message());
          } catch (...) {
            // The sender gets 0 whatever happened.
          }
          const std::uint8_t reply[8] = {};
          (void)::send(conn->fd, reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT);
        });
      }
    }
    clients = std::move(kept);

    if (fds[1].revents != 0) {
      for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
          if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            acceptPausedUntil = Clock::now() + std::chrono::milliseconds(kAcceptPauseMs);
          }
          break;
        }
        // Another user's connection is closed unread.
        if (!SameUser(fd, uid_)) {
          ::close(fd);
          continue;
        }
        // All slots taken: the longest-waiting connection (the list is in
        // order of arrival) gives way, so slow clients cannot lock the parent out.
        if (clients.size() >= kMaxClients) {
          ::close(clients.front().fd);
          clients.erase(clients.begin());
        }
        const auto accepted = Clock::now();
        clients.push_back({fd,
                           accepted + std::chrono::milliseconds(kFrameMs),
                           accepted + std::chrono::milliseconds(std::min(kStallMs, kFrameMs)),
                           {}});
      }
    }
  }
}

}  // namespace th
