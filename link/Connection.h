#pragma once
#include <cstdint>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// The fifteen rates of the port component; 0 for any other number.
int BaudRateOf(std::int32_t baud);

// Brings the line to the logger up for every communication type.
class Connection {
 public:
  explicit Connection(Tidehaul& unit) : u_(unit) {}

  // True when the line is up and the logger answered; a failure after the
  // port opened closes it again.
  bool Connect(std::int32_t Index, bool ComportClose);
  // True when the port is open afterwards. A rate that is not a whole number
  // and a port that cannot be opened raise; a whole number that is not one of
  // the fifteen rates leaves the port closed.
  bool ComportOpenConnect(std::int32_t Index);
  // The line-up sequence of the communication type; no type fails.
  bool ModemSettingOpen(std::int32_t Index, bool ComportClose);
  // Wakes a directly connected logger with its clock-read command.
  bool NoneConnect(std::int32_t Index);
  // Modem initialisation, then the dial of the type.
  bool ATCommand(std::int32_t Index, bool ComportClose);
  // Dial of types 1 to 5; only "CARRIER" fails it, the clock read decides the rest.
  bool CDMACallCMDConnect(std::int32_t Index, bool ComportClose);
  // Dial of type 6.
  bool LTE_CommandConnect(std::int32_t Index);

 private:
  // Upper-cased Buff holds the token.
  bool BuffHas(std::u16string_view token) const;

  Tidehaul& u_;
};

}  // namespace th
