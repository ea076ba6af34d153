#include "tools/send/ControlClient.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sstream>

#include "platform/linux/LinuxPlatformServices.h"

namespace th::send {

namespace {

constexpr std::string_view kPrefix = "@TfTidehaul.";
constexpr unsigned long kAcceptingFlag = 0x10000;  // __SO_ACCEPTCON: a listening socket

class Socket {
 public:
  Socket() : fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
  ~Socket() {
    if (fd >= 0) {
      ::close(fd);
    }
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd;
};

std::string ErrnoText(int error) {
  return std::strerror(error);
}

}  // namespace

std::vector<std::uint8_t> EncodeMessage(const Text& text) {
  const std::uint32_t cbData = static_cast<std::uint32_t>((text.size() + 1) * 2);
  std::vector<std::uint8_t> frame(12 + cbData, 0);
  for (int i = 0; i < 4; ++i) {
    frame[8 + i] = static_cast<std::uint8_t>(cbData >> (8 * i));
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    frame[12 + 2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    frame[13 + 2 * i] = static_cast<std::uint8_t>(text[i] >> 8);
  }
  return frame;
}

std::vector<int> ListeningPids(std::string_view procNetUnix) {
  std::vector<int> pids;
  std::istringstream in{std::string(procNetUnix)};
  std::string line;
  std::getline(in, line);  // column titles
  while (std::getline(in, line)) {
    // Num RefCount Protocol Flags Type St Inode Path
    std::istringstream cols(line);
    std::string num, refs, protocol, flags, type, state, inode, path;
    if (!(cols >> num >> refs >> protocol >> flags >> type >> state >> inode >> path)) {
      continue;
    }
    if (path.size() <= kPrefix.size() || path.compare(0, kPrefix.size(), kPrefix) != 0) {
      continue;
    }
    const std::string digits = path.substr(kPrefix.size());
    if (digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    unsigned long flagBits = 0;
    try {
      flagBits = std::stoul(flags, nullptr, 16);
    } catch (...) {
      continue;
    }
    if ((flagBits & kAcceptingFlag) == 0) {
      continue;
    }
    pids.push_back(std::stoi(digits));
  }
  std::sort(pids.begin(), pids.end());
  pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
  return pids;
}

Instances FindOwnInstances(const std::string& table) {
  Instances found;
  std::string content;
  // Read without waiting: nothing but a regular file is taken for the table.
  if (const int error = ReadRegularFile(table, content); error != 0) {
    found.error = "cannot read " + table + ": " +
                  (error == EINVAL ? std::string("not a regular file") : ErrnoText(error));
    return found;
  }
  for (const int pid : ListeningPids(content)) {
    struct stat st {};
    const std::string dir = "/proc/" + std::to_string(pid);
    if (::stat(dir.c_str(), &st) == 0 && st.st_uid == ::geteuid()) {
      found.pids.push_back(pid);
    }
  }
  return found;
}

SendResult SendMessage(const std::string& name, const std::vector<std::uint8_t>& frame,
                       int replyTimeoutMs) {
  SendResult result;
  Socket s;
  sockaddr_un addr{};
  if (s.fd < 0 || name.size() + 1 > sizeof addr.sun_path) {
    result.error = "cannot create a socket";
    return result;
  }
  timeval tv{replyTimeoutMs / 1000, static_cast<suseconds_t>(replyTimeoutMs % 1000) * 1000};
  ::setsockopt(s.fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ::setsockopt(s.fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (::connect(s.fd, reinterpret_cast<const sockaddr*>(&addr), len) != 0) {
    const int error = errno;
    result.notListening = error == ECONNREFUSED || error == ENOENT;
    result.error = "cannot connect to " + name + ": " + ErrnoText(error);
    return result;
  }
  std::size_t sent = 0;
  while (sent < frame.size()) {
    const ssize_t n = ::send(s.fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      result.error = "sending to " + name + " failed: " + ErrnoText(errno);
      return result;
    }
    sent += static_cast<std::size_t>(n);
  }
  std::uint8_t reply[8];
  std::size_t got = 0;
  while (got < sizeof reply) {
    const ssize_t n = ::recv(s.fd, reply + got, sizeof reply - got, 0);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      result.error = "no reply from " + name + " within " + std::to_string(replyTimeoutMs) + " ms";
      return result;
    }
    if (n <= 0) {
      result.error = name + " closed the connection without a reply";
      return result;
    }
    got += static_cast<std::size_t>(n);
  }
  result.ok = true;
  return result;
}

}  // namespace th::send
