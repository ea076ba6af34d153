#include "serial/SerialTypes.h"

#include <array>

namespace th {

namespace {

constexpr std::array<int, 16> kRates = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                        14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

}  // namespace

int BaudRateValue(TBaudRate rate) {
  return rate < kRates.size() ? kRates[rate] : 0;
}

bool BaudRateFromValue(int baud, TBaudRate& rate) {
  for (std::size_t i = 1; i < kRates.size(); ++i) {
    if (kRates[i] == baud) {
      rate = static_cast<TBaudRate>(i);
      return true;
    }
  }
  return false;
}

}  // namespace th
