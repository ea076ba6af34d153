#pragma once
// What the link needs of the serial port component. The real component
// (serial/) and the simulated port of the tests implement it. Failures are
// raised as ESerialPort (serial/SerialError.h).
#include <functional>

#include "platform/Text.h"

namespace th {

class Port {
 public:
  virtual ~Port() = default;

  virtual bool isOpen() const = 0;
  virtual void open() = 0;
  virtual void close() = 0;

  // "COM" followed by the port number.
  virtual void setName(const Text& name) = 0;
  virtual Text name() const = 0;
  // One of the component's fifteen rates, 110 to 256000, in bits per second.
  virtual void setBaudRate(int baud) = 0;
  virtual int baudRate() const = 0;

  virtual void setDtr(bool on) = 0;
  virtual void setRts(bool on) = 0;

  // One byte per character; returns the count written.
  virtual int write(const Text& str) = 0;
  // Up to `count` waiting bytes, one character each; returns the count read.
  virtual int read(Text& str, int count) = 0;

  // Arrival notification, on the main thread, with the count waiting then (>= 1).
  using ArrivalHandler = std::function<void(int count)>;
  virtual void setOnArrival(ArrivalHandler handler) = 0;

  // Called once on the main thread when the open device reports a hang-up or
  // an I/O error (adapter unplugged, far end gone): no byte will arrive until
  // the port is opened again. Bytes that came before it have been reported.
  using HangupHandler = std::function<void()>;
  virtual void setOnHangup(HangupHandler handler) = 0;
};

}  // namespace th
