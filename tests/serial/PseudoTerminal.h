#pragma once
// The far end of a real pseudo-terminal: the port opens the slave (through a
// link such as <dir>/COM10), the test talks through the master.
#include <cstddef>
#include <string>
#include <string_view>

namespace th::test {

class PseudoTerminal {
 public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& slavePath() const { return slave_; }
  int master() const { return master_; }
  // A symbolic link at `path` to the slave, as a station links its adapter.
  void linkAs(const std::string& path) const;

  void send(std::string_view bytes) const;
  // Reads until `count` bytes came or `timeoutMs` passed.
  std::string receive(std::size_t count, int timeoutMs = 2000) const;
  // Everything that arrives until the line stays quiet for `quietMs`.
  std::string drain(int quietMs = 100) const;
  // The far end goes away, as an unplugged adapter does.
  void closeMaster();

 private:
  int master_ = -1;
  std::string slave_;
};

}  // namespace th::test
