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

  bool isOpen() const override { return port_.Connected(); }
  void open() override { port_.Open(); }
  void close() override { port_.Close(); }
  void setName(const Text& name) override { port_.SetPort(name); }
  Text name() const override { return port_.Port(); }
  // One of the fifteen rates from 110 to 256000; any other number sets no
  // rate and the port keeps the one it had.
  void setBaudRate(int baud) override;
  int baudRate() const override;
  void setDtr(bool on) override { port_.SetDTR(on); }
  void setRts(bool on) override { port_.SetRTS(on); }
  int write(const Text& str) override { return port_.WriteStr(str); }
  int read(Text& str, int count) override { return port_.ReadStr(str, count); }
  void setOnArrival(ArrivalHandler handler) override;
  void setOnHangup(HangupHandler handler) override;

 private:
  TSerialPort port_;
  ArrivalHandler handler_;
  HangupHandler hangupHandler_;
};

}  // namespace th
