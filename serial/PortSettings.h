#pragma once
// The settings of a serial port as one value: set as a whole
// (SerialPort::setSettings) and applied to the open device in one go. The
// defaults are the tool's own port: "COM10" at 9600 baud, 8 data bits, no
// parity, one stop bit, DTR and RTS left to setDtr/setRts, no handshaking,
// queues of 10240 bytes, reads that return at once and writes bounded by
// 100 ms a byte plus 1000 ms.
#include <cstdint>

#include "platform/Text.h"

namespace th {

enum class Parity : std::uint8_t { None, Odd, Even, Mark, Space };
enum class StopBits : std::uint8_t { One, OneAndHalf, Two };
// How the driver drives DTR or RTS. Disabled leaves the line to setDtr and
// setRts: low until raised. Toggle is for RTS only.
enum class LineControl : std::uint8_t { Disabled, Enabled, Handshake, Toggle };

// Milliseconds, as the Windows communications API takes them.
struct PortTimeouts {
  // The largest value (Windows' MAXDWORD); as the read interval with both
  // read totals 0 it makes a read return at once with what has arrived.
  static constexpr std::uint32_t kLongest = 0xFFFFFFFFU;

  std::uint32_t readInterval = kLongest;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  // A write of n bytes takes at most multiplier * n + constant; both 0: no limit.
  std::uint32_t writeTotalMultiplier = 100;
  std::uint32_t writeTotalConstant = 1000;

  bool operator==(const PortTimeouts&) const = default;
};

struct PortSettings {
  // "COMn": a name in the system's device namespace on Windows; on Linux
  // <device directory>/COMn or /dev/ttyS<n-1> (serial/linux/PortName.h).
  Text name = u"COM10";
  std::uint32_t baudRate = 9600;
  std::uint8_t dataBits = 8;  // 5 to 8
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  LineControl dtr = LineControl::Disabled;
  LineControl rts = LineControl::Disabled;
  std::uint32_t inputQueue = 10240;
  std::uint32_t outputQueue = 10240;
  PortTimeouts timeouts;
  // While open, an event thread reports arrivals and hang-ups on the main
  // thread; without it nothing is reported (tests that read by hand). Taken
  // at open.
  bool eventThread = true;

  bool operator==(const PortSettings&) const = default;
};

// The time the line takes at its rate (ten bit times a byte) to bring a
// quarter of the input queue: the longest that arrived bytes may wait unread
// with room to spare. 0 when the rate or the queue size is unknown.
std::uint32_t QuarterQueueFillMs(const PortSettings& settings);

}  // namespace th
