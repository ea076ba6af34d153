#pragma once
// ESerialPort: every failure of the serial port component.
#include <string>

#include "platform/Errors.h"

namespace th {

class ESerialPort : public Exception {
 public:
  ESerialPort(const std::string& message, int code, int winCode)
      : Exception(message), Code(code), WinCode(winCode) {}

  // The code's text, followed by " (Error: %d)" when winCode is above 0.
  static ESerialPort Make(int code, int winCode);

  int Code;     // the component's code, 1 to 24
  int WinCode;  // the operating-system code (errno), or -1
};

inline constexpr int SError_OpenFailed = 1;
inline constexpr int SError_WriteFailed = 2;
inline constexpr int SError_ReadFailed = 3;
inline constexpr int SError_InvalidAsync = 4;
inline constexpr int SError_PurgeFailed = 5;
inline constexpr int SError_AsyncCheck = 6;
inline constexpr int SError_SetStateFailed = 7;
inline constexpr int SError_TimeoutsFailed = 8;
inline constexpr int SError_SetupComFailed = 9;
inline constexpr int SError_ClearComFailed = 10;
inline constexpr int SError_ModemStatFailed = 11;
inline constexpr int SError_EscapeComFailed = 12;
inline constexpr int SError_TransmitFailed = 13;
inline constexpr int SError_ConnChangeProp = 14;
inline constexpr int SError_EnumPortsFailed = 15;
inline constexpr int SError_StoreFailed = 16;
inline constexpr int SError_LoadFailed = 17;
inline constexpr int SError_RegFailed = 18;
inline constexpr int SError_LedStateFailed = 19;
inline constexpr int SError_ThreadCreated = 20;
inline constexpr int SError_WaitFailed = 21;
inline constexpr int SError_HasLink = 22;
inline constexpr int SError_RegError = 23;
inline constexpr int SError_PortNotOpen = 24;

}  // namespace th
