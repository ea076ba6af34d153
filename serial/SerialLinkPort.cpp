#include "serial/SerialLinkPort.h"

#include <algorithm>
#include <array>
#include <utility>

namespace th {

namespace {

constexpr std::array<int, 15> kRates = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                        19200, 38400, 56000, 57600, 115200, 128000, 256000};

}  // namespace

SerialLinkPort::SerialLinkPort(EventLoop& loop, std::string executableDirectory)
    : port_(loop, std::move(executableDirectory)) {}

void SerialLinkPort::setName(const Text& name) {
  PortSettings settings = port_.settings();
  settings.name = name;
  port_.setSettings(settings);
}

void SerialLinkPort::setOnHangup(HangupHandler handler) {
  if (!handler) {
    port_.setOnHangup(nullptr);
    return;
  }
  port_.setOnHangup([handler = std::move(handler)](int) { handler(); });
}

void SerialLinkPort::setBaudRate(int baud) {
  if (std::find(kRates.begin(), kRates.end(), baud) == kRates.end()) {
    return;
  }
  PortSettings settings = port_.settings();
  settings.baudRate = static_cast<std::uint32_t>(baud);
  port_.setSettings(settings);
}

}  // namespace th
