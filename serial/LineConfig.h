#pragma once
// The line configuration that the port's settings produce, independent of the
// platform: the fields of a Windows device control block, the time-outs and
// the queue sizes. The Linux backend turns it into termios2; a Windows backend
// would copy it into a DCB and COMMTIMEOUTS.
#include <cstdint>

namespace th {

class TCustomSerialPort;

struct LineConfig {
  // Flag bits of the control block, at their Windows positions.
  static constexpr std::uint32_t fBinary = 0x0001;
  static constexpr std::uint32_t fParity = 0x0002;
  static constexpr std::uint32_t fOutxCtsFlow = 0x0004;
  static constexpr std::uint32_t fOutxDsrFlow = 0x0008;
  static constexpr std::uint32_t fDtrControlMask = 0x0030;
  static constexpr std::uint32_t fDsrSensitivity = 0x0040;
  static constexpr std::uint32_t fTXContinueOnXoff = 0x0080;
  static constexpr std::uint32_t fOutX = 0x0100;
  static constexpr std::uint32_t fInX = 0x0200;
  static constexpr std::uint32_t fErrorChar = 0x0400;
  static constexpr std::uint32_t fNull = 0x0800;
  static constexpr std::uint32_t fRtsControlMask = 0x3000;
  static constexpr std::uint32_t fAbortOnError = 0x4000;
  // The largest time-out, Windows' MAXDWORD (a macro there, hence the name).
  static constexpr std::uint32_t kMaxTimeout = 0xFFFFFFFFU;

  std::uint32_t DCBlength = 28;
  std::uint32_t BaudRate = 0;
  std::uint32_t Flags = 0;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 8;  // 5 to 8
  std::uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  std::uint8_t XonChar = 0;
  std::uint8_t XoffChar = 0;
  std::uint8_t ErrorChar = 0;
  std::uint8_t EofChar = 0;
  std::uint8_t EvtChar = 0;

  std::int32_t InputQueueSize = 0;
  std::int32_t OutputQueueSize = 0;

  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;

  // 0 disable, 1 enable, 2 handshake.
  unsigned DtrControl() const { return (Flags & fDtrControlMask) >> 4; }
  // 0 disable, 1 enable, 2 handshake, 3 toggle.
  unsigned RtsControl() const { return (Flags & fRtsControlMask) >> 12; }
  bool Has(std::uint32_t flag) const { return (Flags & flag) != 0; }
};

// Pure: reads the port's settings and nothing else.
LineConfig MakeLineConfig(const TCustomSerialPort& port);

// The time the line takes at its rate (ten bit times a byte) to bring a
// quarter of the input queue: the longest that arrived bytes may wait unread
// with room to spare. 0 when the rate or the queue size is unknown.
std::uint32_t QuarterQueueFillMs(const LineConfig& config);

// -1 becomes MAXDWORD; every other value passes unchanged.
std::uint32_t GetTOValue(int value);

}  // namespace th
