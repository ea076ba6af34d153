#include "link/Connection.h"

#include <array>

#include "app/Tidehaul.h"
#include "protocol/CommandLine.h"

namespace th {

namespace {

constexpr std::int32_t kDirect = 0;
constexpr std::int32_t kTWX314 = 6;

// Sets panel 0 on every way out of the open step, a raised failure included.
struct ShowPort {
  View& view;
  std::int32_t comport;
  ~ShowPort() {
    try {
      view.setPanelText(0, u"COM" + IntToText(comport) + u" Open");
    } catch (...) {
      // The status text is not worth a second failure.
    }
  }
};

}  // namespace

int BaudRateOf(std::int32_t baud) {
  static constexpr std::array<std::int32_t, 15> kRates = {110,   300,   600,    1200,   2400,
                                                          4800,  9600,  14400,  19200,  38400,
                                                          56000, 57600, 115200, 128000, 256000};
  for (const std::int32_t rate : kRates) {
    if (rate == baud) {
      return rate;
    }
  }
  return 0;
}

bool Connection::BuffHas(std::u16string_view token) const {
  return Contains(AsciiUpper(u_.rt.rs.Buff), token);
}

bool Connection::Connect(std::int32_t Index, bool ComportClose) {
  RunState& rs = u_.rt.rs;
  if (!ComportOpenConnect(Index)) {
    return false;
  }
  if (!ModemSettingOpen(Index, ComportClose)) {
    u_.disconnection.ComportOpenDISConnect(Index);
    rs.Connect_flg = false;
    return false;
  }
  bool result = true;
  // For a direct line the wake-up reply already was the logger's answer.
  if (u_.settings.MdoemTypeFind(Index) != kDirect) {
    result = u_.clock.PROGRAM_COMMAND_TimeRead(Index);
  }
  if (result) {
    rs.Connect_flg = true;
    return true;
  }
  u_.disconnection.ComportOpenDISConnect(Index);
  rs.Connect_flg = false;
  return false;
}

bool Connection::ComportOpenConnect(std::int32_t Index) {
  Port& port = u_.rt.port;
  const Setup& s = u_.rt.device(Index);
  const ShowPort show{u_.rt.view, s.PortSet.COMPORT.get()};
  if (port.isOpen()) {
    port.setRts(false);
    u_.waiter.delay(100);
    port.setDtr(false);
    u_.waiter.delay(100);
    port.close();
    return port.isOpen();
  }
  const Text baudText = s.PortSet.Baudrate.text();
  std::int32_t baud = 0;
  // The number and nothing else: blanks around it are refused like any non-number.
  if (!TryTextToIntStrict(baudText, baud)) {
    throw Exception("'" + ToUtf8(baudText) + "' is not a valid integer value");
  }
  const int rate = BaudRateOf(baud);
  // No rate of the component fits: the port stays closed.
  if (rate == 0) {
    return false;
  }
  port.setBaudRate(rate);
  port.setName(u"COM" + IntToText(s.PortSet.COMPORT.get()));
  port.open();
  u_.rt.rs.LineLost = false;
  port.setRts(true);
  u_.waiter.delay(100);
  port.setDtr(true);
  u_.waiter.delay(100);
  return port.isOpen();
}

bool Connection::ModemSettingOpen(std::int32_t Index, bool ComportClose) {
  const std::int32_t type = u_.settings.MdoemTypeFind(Index);
  if (type == kDirect) {
    return NoneConnect(Index);
  }
  if (type > kDirect && type <= kTWX314) {
    return ATCommand(Index, ComportClose);
  }
  return false;
}

bool Connection::NoneConnect(std::int32_t Index) {
  RunState& rs = u_.rt.rs;
  const Text command = u"#T" + LoggerId(u_, Index) + u" R\r\n";
  rs.Time_Out = 0;
  std::int32_t TXCount = 0;
  for (;;) {
    if (rs.Time_Out > 50 || rs.Stop_Flag) {
      return false;
    }
    if (TXCount == rs.Time_Out / 10) {
      u_.rt.port.write(command);
      u_.rt.view.setPanelText(2, command);
      ++TXCount;
    }
    u_.waiter.delay(100);
    ++rs.Time_Out;
    u_.rt.view.setPanelText(1, u"Connecting " + IntToText(rs.Time_Out / 10) + u"[sec]");
    if (BuffHas(u"READ")) {
      return true;
    }
  }
}

bool Connection::ATCommand(std::int32_t Index, bool ComportClose) {
  RunState& rs = u_.rt.rs;
  const Text command = u_.rt.device(Index).ModemSet.Command.text();
  rs.Time_Out = 0;
  rs.Buff.clear();
  u_.rt.port.write(command + u"\r\n");
  u_.rt.view.setPanelText(2, command);
  for (;;) {
    if (rs.Time_Out > 30 || rs.Stop_Flag) {
      return false;
    }
    u_.waiter.delay(200);
    ++rs.Time_Out;
    if (BuffHas(u"OK")) {
      break;
    }
  }
  if (u_.settings.MdoemTypeFind(Index) == kTWX314) {
    return LTE_CommandConnect(Index);
  }
  return CDMACallCMDConnect(Index, ComportClose);
}

bool Connection::CDMACallCMDConnect(std::int32_t Index, bool ComportClose) {
  RunState& rs = u_.rt.rs;
  const Modem& m = u_.rt.device(Index).ModemSet;
  rs.Time_Out = 0;
  const Text callCmd = m.CallCMD.text();
  if (!callCmd.empty()) {
    const Text command = callCmd + m.ModemNo.text();
    u_.rt.port.write(command + u"\r\n");
    u_.rt.view.setPanelText(2, command);
    for (;;) {
      if (rs.Time_Out > 400 || rs.Stop_Flag) {
        break;
      }
      u_.waiter.delay(100);
      ++rs.Time_Out;
      u_.rt.view.setPanelText(1, u"CDMA Calling-" + IntToText(rs.Time_Out / 10) + u"[sec]");
      if (BuffHas(u"CONNECT") || BuffHas(u"CARRIER")) {
        break;
      }
    }
  }
  if (BuffHas(u"CARRIER") && ComportClose) {
    u_.disconnection.DISConnect(Index, ComportClose);
    return false;
  }
  return true;
}

bool Connection::LTE_CommandConnect(std::int32_t Index) {
  RunState& rs = u_.rt.rs;
  const Modem& m = u_.rt.device(Index).ModemSet;
  rs.Time_Out = 0;
  rs.Buff.clear();
  const Text command = m.CallCMD.text() + m.ModemNo.text() + u"\r\n";
  u_.rt.port.write(command);
  u_.rt.view.setPanelText(2, command);
  for (;;) {
    if (rs.Time_Out > 300 || rs.Stop_Flag) {
      return false;
    }
    u_.waiter.delay(100);
    ++rs.Time_Out;
    const std::int32_t n = rs.Time_Out / 10;
    ++rs.Time_Out;
    u_.rt.view.setPanelText(1, u"LTE Calling-" + IntToText(n) + u"[sec]");
    if (BuffHas(u"CONNECT") || BuffHas(u"ERROR") || BuffHas(u"CARRIER")) {
      break;
    }
  }
  // "CONNECT" wins over "ERROR" and "CARRIER" in the same line.
  return BuffHas(u"CONNECT");
}

}  // namespace th
