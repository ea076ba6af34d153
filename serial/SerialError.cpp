#include "serial/SerialError.h"

#include <array>
#include <utility>

namespace th {

namespace {

constexpr std::array<std::pair<int, const char*>, 10> kMessages = {{
    {SError_OpenFailed, "Unable to open com port"},
    {SError_WriteFailed, "WriteFile function failed"},
    {SError_ReadFailed, "ReadFile function failed"},
    {SError_SetStateFailed, "SetCommState function failed"},
    {SError_TimeoutsFailed, "SetCommTimeouts failed"},
    {SError_SetupComFailed, "SetupComm function failed"},
    {SError_ClearComFailed, "ClearCommError function failed"},
    {SError_ModemStatFailed, "GetCommModemStatus function failed"},
    {SError_EscapeComFailed, "EscapeCommFunction function failed"},
    {SError_PortNotOpen, "Port Not Open"},
}};

}  // namespace

ESerialPort ESerialPort::Make(int code, int winCode) {
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
