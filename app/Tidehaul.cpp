#include "app/Tidehaul.h"

namespace th {

Tidehaul::Tidehaul(Runtime& runtime)
    : rt(runtime),
      waiter(*this),
      receive(*this),
      log(*this),
      settings(*this),
      clock(*this),
      connection(*this),
      disconnection(*this),
      terminal(*this),
      files(*this),
      writer(*this),
      fetch(*this),
      job(*this),
      shell(*this) {
  rt.port.setOnArrival([this](int count) { receive.COMPORTRxChar(count); });
  rt.port.setOnHangup([this] { receive.COMPORTHangup(); });
}

}  // namespace th
