#include "serial/SerialLinkPort.h"

#include <utility>

namespace th {

SerialLinkPort::SerialLinkPort(EventLoop& loop, std::string executableDirectory) : port_(loop) {
  port_.SetDeviceDirectory(std::move(executableDirectory));
  // The tool's COMPORT as its window creates it; the port stays closed.
  port_.BeginLoad();
  port_.SetPort(u"COM10");
  port_.SetBaudRate(br9600);
  port_.Parity().SetBits(prNone);
  port_.SetStopBits(sbOneStopBit);
  port_.SetDataBits(dbEight);
  port_.SetEvents(TSerialEvents::All());
  port_.Buffer().SetInputSize(10240);
  port_.Buffer().SetOutputSize(10240);
  port_.FlowControl().SetOutCTSFlow(false);
  port_.FlowControl().SetOutDSRFlow(false);
  port_.FlowControl().SetXonXoffOut(false);
  port_.FlowControl().SetXonXoffIn(false);
  port_.FlowControl().SetControlDTR(dtrDisable);
  port_.FlowControl().SetControlRTS(rtsDisable);
  port_.SetStoredProps((1U << spBasic) | (1U << spBuffer));
  port_.SetTriggersOnRxChar(true);
  port_.OnRxChar = [this](TCustomSerialPort&, int count) {
    if (handler_) {
      handler_(count);
    }
  };
  port_.OnHangup = [this](TCustomSerialPort&) {
    if (hangupHandler_) {
      hangupHandler_();
    }
  };
  port_.Loaded();
  port_.SetupSerialPort();
}

void SerialLinkPort::setBaudRate(int baud) {
  TBaudRate rate = br9600;
  if (BaudRateFromValue(baud, rate)) {
    port_.SetBaudRate(rate);
  }
}

int SerialLinkPort::baudRate() const {
  return port_.BaudRate() == brCustom ? port_.CustomBaudRate() : BaudRateValue(port_.BaudRate());
}

void SerialLinkPort::setOnArrival(ArrivalHandler handler) {
  handler_ = std::move(handler);
}

void SerialLinkPort::setOnHangup(HangupHandler handler) {
  hangupHandler_ = std::move(handler);
}

}  // namespace th
