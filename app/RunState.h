#pragma once
// State that outlives a call: one instance per run, reached by reference by
// every part. Any of it may change across a wait, so exchanges read it afresh
// after every step.
#include <cstdint>

#include "app/Setup.h"
#include "platform/Text.h"

namespace th {

struct RunState {
  Text NowYear;                  // last two digits of the year, for the year patch
  Text LogMessage;               // text of the latest event-log entry
  bool delay_stop_flg = false;   // every wait returns at once; never cleared
  bool Stop_Flag = false;        // modem and clock exchanges stop; never cleared
  bool Connect_flg = false;      // the line to the logger is up
  std::int32_t IndexNo = 0;      // device number found at the current tick; -1 none
  std::int32_t repeatCnt = 0;    // ticks without a number; 11 after a job
  bool Result = false;           // outcome of the last clock read or file read
  DeviceTable DeviceInfo{};      // Setting.dat as read, all zero without a file
  std::int32_t RxTypeIndex = 0;  // 0 receive log, 1 buffer 1, 2 buffer 2, else nowhere
  Text Buff;                     // the last complete line received
  Text BuffTemp;                 // the line being assembled
  std::int32_t FileSize = 0;     // bytes received
  std::int32_t FileSizeChk = 0;  // size the logger announced; -1 unusable
  std::int32_t Time_Out = 0;     // step counter of the exchange in progress
  Text FileNamesearch;           // logger path of the first file to delete
  Text FileNamesearch1;          // logger path of the second, or empty
  Text ReadEcho;                 // the running read's command: its echo is no file data
  std::int32_t EchoSize = 0;     // bytes of such echoes since the read began
  std::uint32_t LastRxTick = 0;  // tick of the latest arrival, for the silence limits
  bool LineLost = false;         // the device hung up since the port was opened
  bool LineCut = false;          // a line outgrew the receive limit; its rest was dropped
};

}  // namespace th
