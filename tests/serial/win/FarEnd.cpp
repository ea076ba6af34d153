#include "tests/serial/win/FarEnd.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <stdexcept>

namespace th::test {

namespace {

SOCKET S(std::uintptr_t s) {
  return static_cast<SOCKET>(s);
}

struct Winsock {
  Winsock() {
    WSADATA data{};
    ::WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() { ::WSACleanup(); }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
};

const char* HelperPort() {
  const char* port = std::getenv("TIDEHAUL_FAR_END_PORT");
  return port != nullptr && *port != '\0' ? port : nullptr;
}

}  // namespace

bool FarEnd::Available() {
  return HelperPort() != nullptr;
}

FarEnd::FarEnd(Lines lines) : socket_(static_cast<std::uintptr_t>(INVALID_SOCKET)) {
  static Winsock winsock;
  const char* port = HelperPort();
  if (port == nullptr) {
    throw std::runtime_error("no far end: run under tidehaul-pty-far-end");
  }
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s == INVALID_SOCKET ||
      ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("far end: cannot connect");
  }
  const BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  socket_ = static_cast<std::uintptr_t>(s);
  if (lines != Lines::None) {
    const std::uint32_t options = lines == Lines::LongSleeps ? modemlines::kLongSleeps : 0;
    put("M", 1);
    put(&options, 4);
    char answer = 0;
    get(&answer, 1);
    modemLines_ = answer == 'K';
  }
}

FarEnd::~FarEnd() {
  ::closesocket(S(socket_));
}

void FarEnd::put(const void* data, std::size_t n) {
  const auto* p = static_cast<const char*>(data);
  while (n > 0) {
    const int sent = ::send(S(socket_), p, static_cast<int>(n), 0);
    if (sent <= 0) {
      throw std::runtime_error("far end: send failed");
    }
    p += sent;
    n -= static_cast<std::size_t>(sent);
  }
}

void FarEnd::get(void* data, std::size_t n) {
  auto* p = static_cast<char*>(data);
  while (n > 0) {
    const int got = ::recv(S(socket_), p, static_cast<int>(n), 0);
    if (got <= 0) {
      throw std::runtime_error("far end: connection lost");
    }
    p += got;
    n -= static_cast<std::size_t>(got);
  }
}

void FarEnd::ok() {
  char k = 0;
  get(&k, 1);
  if (k != 'K') {
    throw std::runtime_error("far end: request refused");
  }
}

std::string FarEnd::reply() {
  std::uint32_t n = 0;
  get(&n, 4);
  std::string bytes(n, '\0');
  get(bytes.data(), n);
  return bytes;
}

void FarEnd::linkAs(const std::string& name) {
  const auto n = static_cast<std::uint16_t>(name.size());
  put("L", 1);
  put(&n, 2);
  put(name.data(), n);
  ok();
}

void FarEnd::send(std::string_view bytes) {
  const auto n = static_cast<std::uint32_t>(bytes.size());
  lastSent_ = std::chrono::steady_clock::now();
  put("S", 1);
  put(&n, 4);
  put(bytes.data(), n);
  ok();
}

std::string FarEnd::receive(std::size_t count, int timeoutMs) {
  const std::uint32_t args[2] = {static_cast<std::uint32_t>(count),
                                 static_cast<std::uint32_t>(timeoutMs)};
  put("R", 1);
  put(args, 8);
  return reply();
}

std::string FarEnd::drain(int quietMs) {
  const auto quiet = static_cast<std::uint32_t>(quietMs);
  put("D", 1);
  put(&quiet, 4);
  return reply();
}

void FarEnd::closeMaster() {
  put("C", 1);
  ok();
}

std::uint32_t FarEnd::number() {
  std::uint32_t n = 0;
  get(&n, 4);
  return n;
}

void FarEnd::setLines(std::uint32_t lines) {
  put("P", 1);
  put(&lines, 4);
  ok();
}

void FarEnd::count(modemlines::Counter counter, std::uint32_t times) {
  const std::uint32_t args[2] = {counter, times};
  put("E", 1);
  put(args, 8);
  ok();
}

std::uint32_t FarEnd::waitDte(std::uint32_t mask, std::uint32_t want, int timeoutMs) {
  const std::uint32_t args[3] = {mask, want, static_cast<std::uint32_t>(timeoutMs)};
  put("W", 1);
  put(args, 12);
  return number();
}

std::vector<std::uint32_t> FarEnd::dteHistory(std::uint32_t from, std::uint32_t& to) {
  put("H", 1);
  put(&from, 4);
  to = number();
  std::vector<std::uint32_t> values(number());
  for (std::uint32_t& value : values) {
    value = number();
  }
  return values;
}

std::uint32_t FarEnd::answered() {
  put("A", 1);
  return number();
}

}  // namespace th::test
