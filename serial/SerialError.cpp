#include "serial/SerialError.h"

#include <array>
#include <utility>

namespace th {

namespace {

constexpr std::array<std::pair<int, const char*>, 10> kMessages = {{
    {kSerialOpenFailed, "Unable to open com port"},
    {kSerialWriteFailed, "WriteFile function failed"},
    {kSerialReadFailed, "ReadFile function failed"},
    {kSerialSetStateFailed, "SetCommState function failed"},
    {kSerialTimeoutsFailed, "SetCommTimeouts failed"},
    {kSerialSetupComFailed, "SetupComm function failed"},
    {kSerialClearComFailed, "ClearCommError function failed"},
    {kSerialModemStatFailed, "GetCommModemStatus function failed"},
    {kSerialEscapeComFailed, "EscapeCommFunction function failed"},
    {kSerialPortNotOpen, "Port Not Open"},
}};

}  // namespace

ESerialPort ESerialPort::make(int code, int winCode) {
  std::string text;
  for (const auto& [known, message] : kMessages) {
    if (known == code) {
      text = message;
    }
  }
  if (winCode > 0) {
    return {text + " (Error: " + std::to_string(winCode) + ")", code, winCode};
  }
  return {text, code, -1};
}

}  // namespace th
