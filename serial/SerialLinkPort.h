#pragma once
// The tool's port: the serial port component as the link sees it (platform/Port.h),
// with the initial settings of the tool's COMPORT.
#include <string>

#include "platform/EventLoop.h"
#include "platform/Port.h"
#include "serial/SerialPort.h"

namespace th {

class SerialLinkPort : public Port {
 public:
  // "COMn" is looked up in `executableDirectory` (ending in "/") first.
  SerialLinkPort(EventLoop& loop, std::string executableDirectory);

  TSerialPort& component() { return port_; }

  bool Connected() const override { return port_.Connected(); }
  void Open() override { port_.Open(); }
  void Close() override { port_.Close(); }
  void SetPort(const Text& name) override { port_.SetPort(name); }
  Text GetPort() const override { return port_.Port(); }
  // One of the fifteen rates from 110 to 256000; any other number sets no
  // rate and the port keeps the one it had.
  void SetBaudRate(int baud) override;
  int GetBaudRate() const override;
  void SetDTR(bool on) override { port_.SetDTR(on); }
  void SetRTS(bool on) override { port_.SetRTS(on); }
  int WriteStr(const Text& str) override { return port_.WriteStr(str); }
  int ReadStr(Text& str, int count) override { return port_.ReadStr(str, count); }
  void SetOnRxChar(RxCharHandler handler) override;
  void SetOnHangup(HangupHandler handler) override;

 private:
  TSerialPort port_;
  RxCharHandler handler_;
  HangupHandler hangupHandler_;
};

}  // namespace th
