#include "serial/PortSettings.h"

#include <algorithm>

namespace th {

std::uint32_t QuarterQueueFillMs(const PortSettings& settings) {
  if (settings.baudRate == 0 || settings.inputQueue == 0) {
    return 0;
  }
  const std::uint64_t quarter = settings.inputQueue / 4;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(quarter * 10 * 1000 / settings.baudRate, 0xFFFFFFFFU));
}

}  // namespace th
