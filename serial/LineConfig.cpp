#include "serial/LineConfig.h"

#include <algorithm>

#include "serial/SerialPort.h"

namespace th {

std::uint32_t GetTOValue(int value) {
  return value == -1 ? LineConfig::kMaxTimeout : static_cast<std::uint32_t>(value);
}

LineConfig MakeLineConfig(const TCustomSerialPort& port) {
  const TSerialParity& parity = port.Parity();
  const TSerialFlowControl& flow = port.FlowControl();
  const TSerialTimeouts& timeouts = port.Timeouts();

  LineConfig c;
  c.BaudRate = port.BaudRate() == brCustom
                   ? static_cast<std::uint32_t>(port.CustomBaudRate())
                   : static_cast<std::uint32_t>(BaudRateValue(port.BaudRate()));
  c.Flags = LineConfig::fBinary;
  if (parity.Check()) {
    c.Flags |= LineConfig::fParity;
  }
  if (flow.OutCTSFlow()) {
    c.Flags |= LineConfig::fOutxCtsFlow;
  }
  if (flow.OutDSRFlow()) {
    c.Flags |= LineConfig::fOutxDsrFlow;
  }
  c.Flags |= static_cast<std::uint32_t>(flow.ControlDTR()) << 4;
  if (flow.DSRSensitivity()) {
    c.Flags |= LineConfig::fDsrSensitivity;
  }
  if (flow.TxContinueOnXoff()) {
    c.Flags |= LineConfig::fTXContinueOnXoff;
  }
  if (flow.XonXoffOut()) {
    c.Flags |= LineConfig::fOutX;
  }
  if (flow.XonXoffIn()) {
    c.Flags |= LineConfig::fInX;
  }
  const bool errorChar = parity.Check() && parity.Replace();
  if (errorChar) {
    c.Flags |= LineConfig::fErrorChar;
  }
  if (port.DiscardNull()) {
    c.Flags |= LineConfig::fNull;
  }
  c.Flags |= static_cast<std::uint32_t>(flow.ControlRTS()) << 12;

  const auto limit = static_cast<std::uint16_t>(port.Buffer().InputSize() / 4);
  c.XonLim = limit;
  c.XoffLim = limit;
  c.ByteSize = static_cast<std::uint8_t>(5 + port.DataBits());
  c.Parity = static_cast<std::uint8_t>(parity.Bits());
  c.StopBits = static_cast<std::uint8_t>(port.StopBits());
  c.XonChar = flow.XonChar();
  c.XoffChar = flow.XoffChar();
  c.ErrorChar = errorChar ? static_cast<std::uint8_t>(parity.ReplaceChar() & 0xFF) : 0;
  c.EvtChar = static_cast<std::uint8_t>(port.EventChar() & 0xFF);

  c.InputQueueSize = port.Buffer().InputSize();
  c.OutputQueueSize = port.Buffer().OutputSize();

  c.ReadIntervalTimeout = GetTOValue(timeouts.ReadInterval());
  c.ReadTotalTimeoutMultiplier = GetTOValue(timeouts.ReadTotalMultiplier());
  c.ReadTotalTimeoutConstant = GetTOValue(timeouts.ReadTotalConstant());
  c.WriteTotalTimeoutMultiplier = GetTOValue(timeouts.WriteTotalMultiplier());
  c.WriteTotalTimeoutConstant = GetTOValue(timeouts.WriteTotalConstant());
  return c;
}

std::uint32_t QuarterQueueFillMs(const LineConfig& config) {
  if (config.BaudRate == 0 || config.InputQueueSize <= 0) {
    return 0;
  }
  const std::uint64_t quarter = static_cast<std::uint64_t>(config.InputQueueSize) / 4;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(quarter * 10 * 1000 / config.BaudRate, 0xFFFFFFFFU));
}

}  // namespace th
