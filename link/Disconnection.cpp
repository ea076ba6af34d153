#include "link/Disconnection.h"

#include "app/Tidehaul.h"

namespace th {

namespace {

// Sends the hang-up with `send` round after round until `confirmed`; false
// once Time_Out passes 50 (two counts a round) or the stop flag is set.
template <typename Send, typename Confirmed>
bool RepeatHangUp(Tidehaul& u, Send send, Confirmed confirmed) {
  RunState& rs = u.rt.rs;
  rs.Time_Out = 0;
  u.waiter.delay(100);
  // A confirmation must come from this hang-up, not from an older line.
  rs.Buff.clear();
  for (;;) {
    if (rs.Time_Out > 50 || rs.Stop_Flag) {
      u.rt.loop.processPendingMessages();
      return false;
    }
    send();
    ++rs.Time_Out;
    u.waiter.delay(100);
    ++rs.Time_Out;
    u.rt.view.setPanelText(1, u"DISConnecting-" + IntToText(rs.Time_Out / 10) + u"[sec]");
    if (confirmed()) {
      return true;
    }
  }
}

}  // namespace

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
  const Text discnt = u_.rt.device(Index).ModemSet.DiscntCMD.text();
  const bool result = RepeatHangUp(
      u_,
      [&] {
        if (!discnt.empty()) {
          u_.rt.port.write(discnt);
        }
        u_.rt.view.setPanelText(2, discnt);
        u_.waiter.delay(100);
        u_.rt.port.write(Tx_DisConnect_Buff());
        u_.rt.view.setPanelText(2, Tx_DisConnect_Buff());
        u_.rt.loop.processPendingMessages();
      },
      [this] { return Confirmed(); });
  // Unconfirmed, the modem may still hold the line: the port stays open.
  if (result) {
    ComportOpenDISConnect(Index);
  }
  return result;
}

bool Disconnection::LTE_DISConnect(std::int32_t Index, bool ComportClose) {
  const bool result = RepeatHangUp(
      u_,
      [&] {
        u_.rt.port.write(Tx_DisConnect_Buff() + u"\r\n");
        u_.rt.view.setPanelText(2, Tx_DisConnect_Buff());
      },
      [this] { return Confirmed(); });
  if (ComportClose) {
    ComportOpenDISConnect(Index);
  }
  return result;
}

bool Disconnection::ComportOpenDISConnect(std::int32_t Index) {
  Port& port = u_.rt.port;
  if (!port.isOpen()) {
    return false;
  }
  const Text discnt = u_.rt.device(Index).ModemSet.DiscntCMD.text();
  try {
    if (!discnt.empty()) {
      port.write(discnt);
    }
    u_.rt.view.setPanelText(2, discnt);
    port.setRts(false);
    u_.waiter.delay(100);
    port.setDtr(false);
    u_.waiter.delay(100);
    port.close();
    return true;
  } catch (...) {
    // The port must not stay open behind a failure: lines down, close, then
    // let the failure pass on.
    if (port.isOpen()) {
      try {
        port.setRts(false);
      } catch (...) {
      }
      u_.waiter.delay(100);
      try {
        port.setDtr(false);
      } catch (...) {
      }
      u_.waiter.delay(100);
      try {
        port.close();
      } catch (...) {
      }
    }
    throw;
  }
}

}  // namespace th
