#pragma once
// ESerialPort: every failure of the serial port component, with the
// component's code and the system's error code of the call that failed.
#include <string>

#include "platform/Errors.h"

namespace th {

class ESerialPort : public Exception {
 public:
  ESerialPort(const std::string& message, int code, int winCode)
      : Exception(message), code(code), winCode(winCode) {}

  // The code's text, followed by " (Error: %d)" when winCode is above 0.
  static ESerialPort make(int code, int winCode);

  int code;     // the component's code, one of those below
  int winCode;  // the system's code (GetLastError, errno), or -1
};

// The component's codes, numbered as callers and logs have always seen them.
inline constexpr int kSerialOpenFailed = 1;
inline constexpr int kSerialWriteFailed = 2;
inline constexpr int kSerialReadFailed = 3;
inline constexpr int kSerialSetStateFailed = 7;
inline constexpr int kSerialTimeoutsFailed = 8;
inline constexpr int kSerialSetupComFailed = 9;
inline constexpr int kSerialClearComFailed = 10;
inline constexpr int kSerialModemStatFailed = 11;
inline constexpr int kSerialEscapeComFailed = 12;
inline constexpr int kSerialPortNotOpen = 24;

}  // namespace th
