#pragma once
// ESerialPort: every failure of the serial port component, with the
// component's code and the system's error code of the call that failed.
#include <string>

#include "platform/Errors.h"

namespace th {

class ESerialPort : public Exception {
 public:
  ESerialPort(const std::string& message, int code, int winCode)
      : Exception(message), Code(code), WinCode(winCode) {}

  // The code's text, followed by " (Error: %d)" when winCode is above 0.
  static ESerialPort Make(int code, int winCode);

  int Code;     // the component's code, one of those below
  int WinCode;  // the system's code (GetLastError, errno), or -1
};

// The component's codes, numbered as callers and logs have always seen them.
inline constexpr int SError_OpenFailed = 1;
inline constexpr int SError_WriteFailed = 2;
inline constexpr int SError_ReadFailed = 3;
inline constexpr int SError_SetStateFailed = 7;
inline constexpr int SError_TimeoutsFailed = 8;
inline constexpr int SError_SetupComFailed = 9;
inline constexpr int SError_ClearComFailed = 10;
inline constexpr int SError_ModemStatFailed = 11;
inline constexpr int SError_EscapeComFailed = 12;
inline constexpr int SError_PortNotOpen = 24;

}  // namespace th
