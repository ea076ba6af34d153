#include "protocol/ClockCommands.h"

#include <cstdio>

#include "app/Tidehaul.h"
#include "protocol/CommandLine.h"

namespace th {

Text LoggerClockText(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d %02d %02d %02d %02d", t.year % 100, t.month, t.day, t.hour,
                t.minute);
  return T(text);
}

bool ClockCommands::PROGRAM_COMMAND_TimeRead(std::int32_t nNo) {
  RunState& rs = u_.rt.rs;
  const Text command = u"#T" + LoggerId(u_, nNo) + u" R";
  rs.Buff.clear();
  std::int32_t TXCount = 0;
  std::int32_t secCount = 0;
  rs.RxTypeIndex = 0;
  u_.receive.RxTypeMemoClear(rs.RxTypeIndex);
  rs.Time_Out = 0;
  for (;;) {
    if (rs.Time_Out > 50 || rs.Stop_Flag) {
      break;
    }
    // Sent at the first step and whenever the shown count catches up: every 3 s.
    if (TXCount == secCount) {
      u_.rt.port.write(command + u"\r\n");
      u_.rt.view.setPanelText(2, command);
      ++TXCount;
    }
    u_.waiter.delay(300);
    ++rs.Time_Out;
    secCount = rs.Time_Out / 10;
    u_.rt.view.setPanelText(1, u"Time Reading-" + IntToText(secCount) + u"[sec]");
    if (Contains(AsciiUpper(rs.Buff), u"READ")) {
      break;
    }
  }
  const bool result = Contains(AsciiUpper(rs.Buff), u"READ");
  rs.Result = result;
  rs.Buff.clear();
  return result;
}

bool ClockCommands::PROGRAM_COMMAND_TimeSetting(std::int32_t nNo) {
  RunState& rs = u_.rt.rs;
  const Device& d = u_.rt.device(nNo).DeviceSet;
  struct ClearBuff {
    Text& buff;
    ~ClearBuff() { buff.clear(); }
  };
  bool result = true;
  rs.Buff.clear();
  const ClearBuff clearAtEnd{rs.Buff};
  rs.RxTypeIndex = 0;
  u_.receive.RxTypeMemoClear(rs.RxTypeIndex);
  for (;;) {
    if (rs.Time_Out > 50 || rs.Stop_Flag) {
      rs.LogMessage = d.DeviceName.text() + u" : " + u"DataLogger no answer -" + u_.log.NowText();
      u_.rt.view.setPanelText(3, rs.LogMessage);
      u_.log.SaveLog();
      result = false;
      break;
    }
    if (rs.Time_Out > 20) {
      const Text command = u"#T" + LoggerId(u_, nNo) + u" W " + LoggerClockText(u_.rt.sys.now());
      u_.rt.port.write(command + u"\r\n");
      u_.rt.view.setPanelText(2, command);
      result = true;
    }
    u_.waiter.delay(100);
    ++rs.Time_Out;
    u_.rt.view.setPanelText(1, u"Time Setting-" + IntToText(rs.Time_Out / 10) + u"[sec]");
    if (Contains(rs.Buff, u"Set")) {
      break;
    }
  }
  return result;
}

}  // namespace th
