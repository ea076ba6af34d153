// The far end of the Windows serial tests, a Linux program: Wine opens a
// pseudo-terminal linked into its prefix as a COM port, and the tests under
// Wine drive the other side through this program.
//   tidehaul-pty-far-end -- COMMAND...
// runs COMMAND (wine and a test program) with TIDEHAUL_FAR_END_PORT naming a
// TCP port on 127.0.0.1. Each connection to it owns one pseudo-terminal, in a
// process of its own that made the slave its controlling terminal: the wine
// server, which opens the port without O_NOCTTY, then never gets the
// terminal's hang-up. One request after another, little-endian:
//   'L' u16 n, n bytes   link the slave as $WINEPREFIX/dosdevices/<name>   -> 'K'
//   'S' u32 n, n bytes   write to the master                              -> 'K'
//   'R' u32 n, u32 ms    read until n bytes or ms passed       -> u32 k, k bytes
//   'D' u32 ms           read until quiet for ms               -> u32 k, k bytes
//   'C'                  close the master (the far end goes away)        -> 'K'
// and, in a session with the modem-line shim (TIDEHAUL_MODEM_LINES), for the
// modem lines of the pseudo-terminal (tools/wine-shim/ModemLineFile.h):
//   'M' u32 options      give it modem lines, all off             -> 'K' or 'N'
//   'P' u32 lines        set CTS, DSR, DCD, RI (TIOCM_ bits)               -> 'K'
//   'E' u32 counter, u32 n   count a break or line errors n times          -> 'K'
//   'W' u32 mask, u32 want, u32 ms   wait until DTR/RTS & mask == want  -> u32 lines
//   'H' u32 from         DTR/RTS values after change `from`  -> u32 to, u32 k, k u32
//   'A'                  calls the shim answered for this port        -> u32 count
// The connection's end removes the modem lines and the link (unless another
// far end has taken its name since), and ends the process.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/wine-shim/ModemLineFile.h"

namespace {

using Clock = std::chrono::steady_clock;

bool ReadExact(int fd, void* data, std::size_t n) {
  auto* p = static_cast<char*>(data);
  while (n > 0) {
    const ssize_t got = ::read(fd, p, n);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return false;
    }
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteExact(int fd, const void* data, std::size_t n) {
  const auto* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t put = ::write(fd, p, n);
    if (put < 0 && (errno == EINTR || errno == EAGAIN)) {
      pollfd w{fd, POLLOUT, 0};
      ::poll(&w, 1, 100);
      continue;
    }
    if (put <= 0) {
      return false;
    }
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

bool Reply(int client, const std::string& bytes) {
  const auto n = static_cast<std::uint32_t>(bytes.size());
  return WriteExact(client, &n, 4) && WriteExact(client, bytes.data(), bytes.size());
}

// Reads from the master until `count` bytes came, the line was quiet for
// `quietMs` (if >= 0), or `totalMs` passed.
std::string ReadMaster(int master, std::size_t count, int quietMs, int totalMs) {
  std::string out;
  std::array<char, 65536> buffer{};
  const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
  while (master >= 0 && out.size() < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      break;
    }
    const int wait =
        quietMs >= 0 ? std::min<int>(quietMs, static_cast<int>(left)) : static_cast<int>(left);
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, wait) <= 0) {
      break;
    }
    const ssize_t n = ::read(master, buffer.data(), std::min(buffer.size(), count - out.size()));
    if (n <= 0) {
      break;
    }
    out.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return out;
}

std::string DosDevices() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') {
    return std::string(prefix) + "/dosdevices/";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.wine/dosdevices/";
}

// One connection, one pseudo-terminal; runs in a process of its own.
int Serve(int client) {
  ::setsid();
  ::signal(SIGHUP, SIG_IGN);  // the slave is our terminal: its hang-up is ours
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    return 1;
  }
  std::array<char, 128> name{};
  ::ptsname_r(master, name.data(), name.size());
  const int slave = ::open(name.data(), O_RDWR | O_CLOEXEC);
  if (slave < 0 || ::ioctl(slave, TIOCSCTTY, 0) != 0) {
    return 1;
  }
  termios raw{};
  ::tcgetattr(slave, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(slave, TCSANOW, &raw);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

  int live = master;
  std::vector<std::string> links;
  std::unique_ptr<th::modemlines::ModemLineFile> lines;
  for (;;) {
    char op = 0;
    if (!ReadExact(client, &op, 1)) {
      break;
    }
    bool ok = true;
    if (op == 'L') {
      std::uint16_t n = 0;
      std::string port;
      ok = ReadExact(client, &n, 2);
      port.resize(n);
      ok = ok && ReadExact(client, port.data(), n);
      std::transform(port.begin(), port.end(), port.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      const std::string link = DosDevices() + port;
      ::unlink(link.c_str());
      ok = ok && ::symlink(name.data(), link.c_str()) == 0;
      links.push_back(link);
      ok = ok && WriteExact(client, "K", 1);
    } else if (op == 'S') {
      std::uint32_t n = 0;
      std::string bytes;
      ok = ReadExact(client, &n, 4);
      bytes.resize(n);
      ok = ok && ReadExact(client, bytes.data(), n) && live >= 0 &&
           WriteExact(live, bytes.data(), n) && WriteExact(client, "K", 1);
    } else if (op == 'R') {
      std::array<std::uint32_t, 2> args{};
      ok = ReadExact(client, args.data(), 8) &&
           Reply(client, ReadMaster(live, args[0], -1, static_cast<int>(args[1])));
    } else if (op == 'D') {
      std::uint32_t quiet = 0;
      ok = ReadExact(client, &quiet, 4) &&
           Reply(client,
                 ReadMaster(live, static_cast<std::size_t>(-1), static_cast<int>(quiet), 600000));
    } else if (op == 'M') {
      std::uint32_t options = 0;
      std::string error;
      const std::string directory = th::modemlines::ModemLineFile::SessionDirectory();
      ok = ReadExact(client, &options, 4);
      if (ok && !directory.empty()) {
        lines = th::modemlines::ModemLineFile::Create(directory, name.data(), options, error);
      }
      ok = ok && WriteExact(client, lines ? "K" : "N", 1);
    } else if (lines && op == 'P') {
      std::uint32_t bits = 0;
      ok = ReadExact(client, &bits, 4);
      if (ok) {
        lines->setLines(bits);
      }
      ok = ok && WriteExact(client, "K", 1);
    } else if (lines && op == 'E') {
      std::array<std::uint32_t, 2> args{};
      ok = ReadExact(client, args.data(), 8) && args[0] < th::modemlines::kCounters;
      if (ok) {
        lines->count(static_cast<th::modemlines::Counter>(args[0]), args[1]);
      }
      ok = ok && WriteExact(client, "K", 1);
    } else if (lines && op == 'W') {
      std::array<std::uint32_t, 3> args{};
      ok = ReadExact(client, args.data(), 12);
      const std::uint32_t now =
          ok ? lines->waitDte(args[0], args[1], static_cast<int>(args[2])) : 0;
      ok = ok && WriteExact(client, &now, 4);
    } else if (lines && op == 'H') {
      std::uint32_t from = 0;
      ok = ReadExact(client, &from, 4);
      const std::uint32_t to = lines->dteChanges();
      const std::vector<std::uint32_t> values = lines->dteHistory(from);
      const auto count = static_cast<std::uint32_t>(values.size());
      ok = ok && WriteExact(client, &to, 4) && WriteExact(client, &count, 4) &&
           WriteExact(client, values.data(), values.size() * 4);
    } else if (lines && op == 'A') {
      const std::uint32_t answered = lines->answered();
      ok = WriteExact(client, &answered, 4);
    } else if (op == 'C') {
      if (live >= 0) {
        ::close(live);
      }
      live = -1;
      ok = WriteExact(client, "K", 1);
    } else {
      ok = false;
    }
    if (!ok) {
      break;
    }
  }
  // Only links that still lead here: a far end that took the name over since
  // keeps its own.
  for (const auto& link : links) {
    std::array<char, 128> target{};
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size() - 1);
    if (n > 0 && std::string(target.data(), static_cast<std::size_t>(n)) == name.data()) {
      ::unlink(link.c_str());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  if (first < argc && std::strcmp(argv[first], "--") == 0) {
    ++first;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: tidehaul-pty-far-end -- COMMAND...\n");
    return 2;
  }
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener, 16) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("tidehaul-pty-far-end");
    return 2;
  }
  const std::string port = std::to_string(ntohs(address.sin_port));
  ::setenv("TIDEHAUL_FAR_END_PORT", port.c_str(), 1);

  const pid_t command = ::fork();
  if (command == 0) {
    ::execvp(argv[first], argv + first);
    std::perror(argv[first]);
    ::_exit(127);
  }
  for (;;) {
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(-1, &status, WNOHANG)) > 0) {
      if (ended == command) {
        ::close(listener);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
      }
    }
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) {
      continue;
    }
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      continue;
    }
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::fork() == 0) {
      ::close(listener);
      ::_exit(Serve(client));
    }
    ::close(client);
  }
}
