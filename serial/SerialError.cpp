#include "serial/SerialError.h"

#include <array>

namespace th {

namespace {

constexpr std::array<const char*, 24> kSerialErrorMessages = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if the port is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
    "Port Not Open",
};

}  // namespace

ESerialPort ESerialPort::Make(int code, int winCode) {
  const std::string text =
      code >= 1 && code <= 24 ? kSerialErrorMessages[static_cast<std::size_t>(code - 1)] : "";
  if (winCode > 0) {
    return {text + " (Error: " + std::to_string(winCode) + ")", code, winCode};
  }
  return {text, code, -1};
}

}  // namespace th
