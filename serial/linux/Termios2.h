#pragma once
// The line settings of a Linux tty through termios2, so that every rate, the
// non-standard ones included, is set exactly (BOTHER). Kept apart because the
// kernel's termios2 header cannot be included beside <termios.h>.
#include <cstdint>

#include "serial/PortSettings.h"

namespace th::tty {

// What the device reports back, in plain terms.
struct LineReadback {
  std::uint32_t inputRate = 0;
  std::uint32_t outputRate = 0;
  bool customRate = false;  // BOTHER is set
  int dataBits = 0;
  int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int stopBits = 0;  // 1 or 2
  bool raw = false;  // no echo, no canonical input, no signals, no translation
  bool receiver = false;
  bool local = false;  // CLOCAL
  bool hardwareFlow = false;
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  bool parityCheck = false;
  std::uint8_t minChars = 0;
  std::uint8_t time = 0;
};

// Raw mode with the settings' rate, frame and handshaking; reads never wait
// (VMIN 0, VTIME 0). Returns 0 or the errno value; EINVAL for data bits
// outside 5 to 8.
int ApplyLine(int fd, const PortSettings& settings);
int ReadLine(int fd, LineReadback& out);

}  // namespace th::tty
