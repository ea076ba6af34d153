#pragma once
// The line settings of a Linux tty through termios2, so that every rate, the
// non-standard ones included, is set exactly (BOTHER). Kept apart because the
// kernel's termios2 header cannot be included beside <termios.h>.
#include <cstdint>

#include "serial/LineConfig.h"

namespace th::tty {

// What the device reports back, in plain terms.
struct LineReadback {
  std::uint32_t InputRate = 0;
  std::uint32_t OutputRate = 0;
  bool CustomRate = false;  // BOTHER is set
  int DataBits = 0;
  int Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int StopBits = 0;  // 1 or 2
  bool Raw = false;  // no echo, no canonical input, no signals, no translation
  bool Receiver = false;
  bool Local = false;  // CLOCAL
  bool HardwareFlow = false;
  bool XonXoffOut = false;
  bool XonXoffIn = false;
  bool ParityCheck = false;
  std::uint8_t XonChar = 0;
  std::uint8_t XoffChar = 0;
  std::uint8_t MinChars = 0;
  std::uint8_t Time = 0;
};

// Raw mode with the configuration's rate, frame and handshaking; reads never
// wait (VMIN 0, VTIME 0). Returns 0 or the errno value.
int ApplyLine(int fd, const LineConfig& config);
int ReadLine(int fd, LineReadback& out);

}  // namespace th::tty
