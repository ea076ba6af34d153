#pragma once
// The far end of a pseudo-terminal that Wine opens as a COM port, driven
// through the Linux helper tidehaul-pty-far-end (TIDEHAUL_FAR_END_PORT).
// The same calls as the Linux tests' PseudoTerminal.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/wine-shim/ModemLineState.h"

namespace th::test {

class FarEnd {
 public:
  // The modem lines as the shim gives them (Linux's TIOCM_ bits).
  static constexpr std::uint32_t kDtr = 0x002;
  static constexpr std::uint32_t kRts = 0x004;
  static constexpr std::uint32_t kCts = 0x020;
  static constexpr std::uint32_t kCarrier = 0x040;
  static constexpr std::uint32_t kRing = 0x080;
  static constexpr std::uint32_t kDsr = 0x100;

  enum class Lines {
    None,        // a bare pseudo-terminal, as Wine has it without the shim
    Shim,        // modem lines through the shim
    LongSleeps,  // the same, and Wine's 1 ms sleeps stretched (ModemLineState.h)
  };

  // A new pseudo-terminal; throws std::runtime_error without the helper.
  explicit FarEnd(Lines lines = Lines::Shim);
  ~FarEnd();
  FarEnd(const FarEnd&) = delete;
  FarEnd& operator=(const FarEnd&) = delete;

  // True when the tests run under the helper.
  static bool Available();

  // Links the pseudo-terminal as the port `name` ("COM10").
  void linkAs(const std::string& name);
  void send(std::string_view bytes);
  // When the last send began (for latency figures).
  std::chrono::steady_clock::time_point lastSent() const { return lastSent_; }
  // Reads until `count` bytes came or `timeoutMs` passed.
  std::string receive(std::size_t count, int timeoutMs = 2000);
  // Everything that arrives until the line stays quiet for `quietMs`.
  std::string drain(int quietMs = 100);
  // The far end goes away, as an unplugged adapter does.
  void closeMaster();

  // Whether the port got the modem lines asked for (false outside a session
  // with the shim).
  bool hasModemLines() const { return modemLines_; }
  // CTS, DSR, DCD and RI, the far end's lines.
  void setLines(std::uint32_t lines);
  // A break or line errors, counted `times`.
  void count(modemlines::Counter counter, std::uint32_t times = 1);
  // Waits until DTR/RTS & mask == want or `timeoutMs` passed; DTR/RTS then.
  std::uint32_t waitDte(std::uint32_t mask, std::uint32_t want, int timeoutMs = 2000);
  // The values DTR/RTS took after change `from`; `to` gets the last change.
  std::vector<std::uint32_t> dteHistory(std::uint32_t from, std::uint32_t& to);
  // Calls the shim answered for this port.
  std::uint32_t answered();

 private:
  void put(const void* data, std::size_t n);
  void get(void* data, std::size_t n);
  void ok();
  std::string reply();
  std::uint32_t number();

  std::uintptr_t socket_;
  bool modemLines_ = false;
  std::chrono::steady_clock::time_point lastSent_;
};

}  // namespace th::test
