#include "serial/win/Dcb.h"

#include <algorithm>

namespace th::win {

DCB MakeDcb(const PortSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = settings.baudRate;
  dcb.fBinary = 1;
  dcb.fDtrControl = static_cast<DWORD>(settings.dtr == LineControl::Toggle ? LineControl::Disabled
                                                                           : settings.dtr);
  dcb.fRtsControl = static_cast<DWORD>(settings.rts);
  const auto limit = static_cast<WORD>(std::min<std::uint32_t>(settings.inputQueue / 4, 0xFFFF));
  dcb.XonLim = limit;
  dcb.XoffLim = limit;
  dcb.ByteSize = settings.dataBits;
  dcb.Parity = static_cast<BYTE>(settings.parity);
  dcb.StopBits = static_cast<BYTE>(settings.stopBits);
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

COMMTIMEOUTS MakeCommTimeouts(const PortSettings& settings) {
  const PortTimeouts& t = settings.timeouts;
  COMMTIMEOUTS c{};
  c.ReadIntervalTimeout = t.readInterval;
  c.ReadTotalTimeoutMultiplier = t.readTotalMultiplier;
  c.ReadTotalTimeoutConstant = t.readTotalConstant;
  c.WriteTotalTimeoutMultiplier = t.writeTotalMultiplier;
  c.WriteTotalTimeoutConstant = t.writeTotalConstant;
  return c;
}

}  // namespace th::win
