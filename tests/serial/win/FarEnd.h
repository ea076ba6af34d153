#pragma once
// The far end of a pseudo-terminal that Wine opens as a COM port, driven
// through the Linux helper tidehaul-pty-far-end (TIDEHAUL_FAR_END_PORT).
// The same calls as the Linux tests' PseudoTerminal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace th::test {

class FarEnd {
 public:
  // A new pseudo-terminal; throws std::runtime_error without the helper.
  FarEnd();
  ~FarEnd();
  FarEnd(const FarEnd&) = delete;
  FarEnd& operator=(const FarEnd&) = delete;

  // True when the tests run under the helper.
  static bool Available();

  // Links the pseudo-terminal as the port `name` ("COM10").
  void linkAs(const std::string& name);
  void send(std::string_view bytes);
  // Reads until `count` bytes came or `timeoutMs` passed.
  std::string receive(std::size_t count, int timeoutMs = 2000);
  // Everything that arrives until the line stays quiet for `quietMs`.
  std::string drain(int quietMs = 100);
  // The far end goes away, as an unplugged adapter does.
  void closeMaster();

 private:
  void put(const void* data, std::size_t n);
  void get(void* data, std::size_t n);
  void ok();
  std::string reply();

  std::uintptr_t socket_;
};

}  // namespace th::test
