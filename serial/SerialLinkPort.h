#pragma once
// The tool's port: the serial port component as the link sees it
// (platform/Port.h), with the settings of the tool's port (PortSettings'
// defaults) and one of the fifteen rates of its settings file.
#include <string>

#include "platform/EventLoop.h"
#include "platform/Port.h"
#include "serial/SerialPort.h"

namespace th {

class SerialLinkPort : public Port {
 public:
  // "COMn" is looked up in `executableDirectory` (ending in "/") first.
  SerialLinkPort(EventLoop& loop, std::string executableDirectory);

  SerialPort& component() { return port_; }

  bool isOpen() const override { return port_.isOpen(); }
  void open() override { port_.open(); }
  void close() override { port_.close(); }
  void setName(const Text& name) override;
  Text name() const override { return port_.settings().name; }
  // One of the fifteen rates from 110 to 256000; any other number sets no
  // rate and the port keeps the one it had.
  void setBaudRate(int baud) override;
  int baudRate() const override { return static_cast<int>(port_.settings().baudRate); }
  void setDtr(bool on) override { port_.setDtr(on); }
  void setRts(bool on) override { port_.setRts(on); }
  int write(const Text& str) override { return port_.write(str); }
  int read(Text& str, int count) override { return port_.read(str, count); }
  void setOnArrival(ArrivalHandler handler) override { port_.setOnArrival(std::move(handler)); }
  // The link needs no code: the line has ended either way.
  void setOnHangup(HangupHandler handler) override;

 private:
  SerialPort port_;
};

}  // namespace th
