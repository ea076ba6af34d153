#include "serial/win/Dcb.h"

#include <array>
#include <utility>

namespace th::win {

DCB MakeDcb(const LineConfig& config) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = config.BaudRate;
  // Field by field: the bit layout of the flags belongs to the compiler.
  dcb.fBinary = config.Has(LineConfig::fBinary) ? 1 : 0;
  dcb.fParity = config.Has(LineConfig::fParity) ? 1 : 0;
  dcb.fOutxCtsFlow = config.Has(LineConfig::fOutxCtsFlow) ? 1 : 0;
  dcb.fOutxDsrFlow = config.Has(LineConfig::fOutxDsrFlow) ? 1 : 0;
  dcb.fDtrControl = config.DtrControl();
  dcb.fDsrSensitivity = config.Has(LineConfig::fDsrSensitivity) ? 1 : 0;
  dcb.fTXContinueOnXoff = config.Has(LineConfig::fTXContinueOnXoff) ? 1 : 0;
  dcb.fOutX = config.Has(LineConfig::fOutX) ? 1 : 0;
  dcb.fInX = config.Has(LineConfig::fInX) ? 1 : 0;
  dcb.fErrorChar = config.Has(LineConfig::fErrorChar) ? 1 : 0;
  dcb.fNull = config.Has(LineConfig::fNull) ? 1 : 0;
  dcb.fRtsControl = config.RtsControl();
  dcb.fAbortOnError = config.Has(LineConfig::fAbortOnError) ? 1 : 0;
  dcb.XonLim = config.XonLim;
  dcb.XoffLim = config.XoffLim;
  dcb.ByteSize = config.ByteSize;
  dcb.Parity = config.Parity;
  dcb.StopBits = config.StopBits;
  dcb.XonChar = static_cast<char>(config.XonChar);
  dcb.XoffChar = static_cast<char>(config.XoffChar);
  dcb.ErrorChar = static_cast<char>(config.ErrorChar);
  dcb.EofChar = static_cast<char>(config.EofChar);
  dcb.EvtChar = static_cast<char>(config.EvtChar);
  return dcb;
}

COMMTIMEOUTS MakeCommTimeouts(const LineConfig& config) {
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = config.ReadIntervalTimeout;
  t.ReadTotalTimeoutMultiplier = config.ReadTotalTimeoutMultiplier;
  t.ReadTotalTimeoutConstant = config.ReadTotalTimeoutConstant;
  t.WriteTotalTimeoutMultiplier = config.WriteTotalTimeoutMultiplier;
  t.WriteTotalTimeoutConstant = config.WriteTotalTimeoutConstant;
  return t;
}

DWORD EventsToMask(TSerialEvents events) {
  constexpr std::array<std::pair<TSerialEvent, DWORD>, 10> kMasks = {{
      {evRxChar, EV_RXCHAR},
      {evTxEmpty, EV_TXEMPTY},
      {evRxFlag, EV_RXFLAG},
      {evRing, EV_RING},
      {evBreak, EV_BREAK},
      {evCTS, EV_CTS},
      {evDSR, EV_DSR},
      {evError, EV_ERR},
      {evRLSD, EV_RLSD},
      {evRx80Full, EV_RX80FULL},
  }};
  DWORD mask = 0;
  for (const auto& [event, bit] : kMasks) {
    if (events.Contains(event)) {
      mask |= bit;
    }
  }
  return mask;
}

}  // namespace th::win
