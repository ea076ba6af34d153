#pragma once
#include <cstdint>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// The modem escape sequence: GS, three plus signs, ESC.
inline Text Tx_DisConnect_Buff() {
  return Text{u'\x1d', u'+', u'+', u'+', u'\x1b'};
}

// Brings the line down for every communication type and closes the port.
class Disconnection {
 public:
  explicit Disconnection(Tidehaul& unit) : u_(unit) {}

  // The hang-up of the communication type; Connect_flg is False afterwards and
  // the busy pointer shows only while it runs.
  bool DISConnect(std::int32_t Index, bool ComportClose);
  // Types 1 to 5. True when the modem confirmed; unconfirmed leaves the port open.
  bool AT_DISConnect(std::int32_t Index, bool ComportClose);
  // Type 6. Closes the port when ComportClose, confirmed or not.
  bool LTE_DISConnect(std::int32_t Index, bool ComportClose);
  // Disconnect command, RTS and DTR down, close. False when the port was closed.
  bool ComportOpenDISConnect(std::int32_t Index);

 private:
  // Upper-cased Buff confirms the hang-up.
  bool Confirmed() const;

  Tidehaul& u_;
};

}  // namespace th
