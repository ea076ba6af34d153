#pragma once
// The settings of a device that bringing its line up and down uses.
#include <cstdint>

#include "platform/Text.h"

namespace th {

// The communication type: which line-up, dial and hang-up sequences run.
enum class LineType {
  Direct,    // a cable to the logger
  Modem,     // a modem dialled with its dial command; "CARRIER" fails the dial
  LteModem,  // a modem whose dial also fails on "ERROR"
  Unknown,   // any other name: no line can be brought up
};

struct LinkSettings {
  Text loggerId;  // as stored: its bytes go onto the line unchanged
  std::int32_t portNumber = 0;
  Text baudRate;  // as stored: a whole number and nothing else
  LineType type = LineType::Unknown;
  Text initCommand;
  Text dialCommand;
  Text number;         // appended to the dial command
  Text hangupCommand;  // written as it is, without a line end
};

}  // namespace th
