#include "link/Disconnection.h"

#include "app/Tidehaul.h"

namespace th {

bool Disconnection::Confirmed() const {
  const Text upper = AsciiUpper(u_.rt.rs.Buff);
  return Contains(upper, u"CARRIER") || Contains(upper, u"ERROR");
}

bool Disconnection::DISConnect(std::int32_t Index, bool ComportClose) {
  struct Restore {
    Tidehaul& u;
    ~Restore() {
      u.rt.rs.Connect_flg = false;
      try {
        u.rt.view.setBusyPointer(false);
      } catch (...) {
        // A failure already passing on matters more than the pointer.
      }
    }
  };
  u_.rt.view.setBusyPointer(true);
  const Restore restore{u_};
  switch (u_.settings.MdoemTypeFind(Index)) {
    case 0:
      return ComportOpenDISConnect(Index);
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
      return AT_DISConnect(Index, ComportClose);
    case 6:
      return LTE_DISConnect(Index, ComportClose);
    default:
      return false;
  }
}

bool Disconnection::AT_DISConnect(std::int32_t Index, bool ComportClose) {
  (void)ComportClose;
  RunState& rs = u_.rt.rs;
  const Text discnt = u_.rt.device(Index).ModemSet.DiscntCMD.text();
  rs.Time_Out = 0;
  u_.waiter.delay(100);
  // A confirmation must come from this hang-up, not from an older line.
  rs.Buff.clear();
  bool result = true;
  for (;;) {
    if (rs.Time_Out > 50 || rs.Stop_Flag) {
      u_.rt.loop.processPendingMessages();
      result = false;
      break;
    }
    if (!discnt.empty()) {
      u_.rt.port.WriteStr(discnt);
    }
    u_.rt.view.setPanelText(2, discnt);
    u_.waiter.delay(100);
    u_.rt.port.WriteStr(Tx_DisConnect_Buff());
    u_.rt.view.setPanelText(2, Tx_DisConnect_Buff());
    u_.rt.loop.processPendingMessages();
    ++rs.Time_Out;
    u_.waiter.delay(100);
    ++rs.Time_Out;
    u_.rt.view.setPanelText(1, u"DISConnecting-" + IntToText(rs.Time_Out / 10) + u"[sec]");
    if (Confirmed()) {
      break;
    }
  }
  // Unconfirmed, the modem may still hold the line: the port stays open.
  if (result) {
    ComportOpenDISConnect(Index);
  }
  return result;
}

bool Disconnection::LTE_DISConnect(std::int32_t Index, bool ComportClose) {
  RunState& rs = u_.rt.rs;
  rs.Time_Out = 0;
  u_.waiter.delay(100);
  rs.Buff.clear();
  bool result = true;
  for (;;) {
    if (rs.Time_Out > 50 || rs.Stop_Flag) {
      u_.rt.loop.processPendingMessages();
      result = false;
      break;
    }
    u_.rt.port.WriteStr(Tx_DisConnect_Buff() + u"\r\n");
    u_.rt.view.setPanelText(2, Tx_DisConnect_Buff());
    ++rs.Time_Out;
    u_.waiter.delay(100);
    ++rs.Time_Out;
    u_.rt.view.setPanelText(1, u"DISConnecting-" + IntToText(rs.Time_Out / 10) + u"[sec]");
    if (Confirmed()) {
      break;
    }
  }
  if (ComportClose) {
    ComportOpenDISConnect(Index);
  }
  return result;
}

bool Disconnection::ComportOpenDISConnect(std::int32_t Index) {
  Port& port = u_.rt.port;
  if (!port.Connected()) {
    return false;
  }
  const Text discnt = u_.rt.device(Index).ModemSet.DiscntCMD.text();
  try {
    if (!discnt.empty()) {
      port.WriteStr(discnt);
    }
    u_.rt.view.setPanelText(2, discnt);
    port.SetRTS(false);
    u_.waiter.delay(100);
    port.SetDTR(false);
    u_.waiter.delay(100);
    port.Close();
    return true;
  } catch (...) {
    // The port must not stay open behind a failure: lines down, close, then
    // let the failure pass on.
    if (port.Connected()) {
      try {
        port.SetRTS(false);
      } catch (...) {
      }
      u_.waiter.delay(100);
      try {
        port.SetDTR(false);
      } catch (...) {
      }
      u_.waiter.delay(100);
      try {
        port.Close();
      } catch (...) {
      }
    }
    throw;
  }
}

}  // namespace th
