#pragma once
// A port in virtual time. Tests script the far end: a responder sees every
// write and can deliver bytes after a delay; deliveries raise the arrival
// notification through the event loop, as the event thread hands them over.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/Port.h"

namespace th::test {

class SimulatedPort : public Port {
 public:
  explicit SimulatedPort(EventLoop& loop) : loop_(loop) {}

  bool isOpen() const override { return open_; }
  void open() override;
  void close() override;
  void setName(const Text& name) override { name_ = name; }
  Text name() const override { return name_; }
  void setBaudRate(int baud) override { baud_ = baud; }
  int baudRate() const override { return baud_; }
  void setDtr(bool on) override;
  void setRts(bool on) override;
  int write(const Text& str) override;
  int read(Text& str, int count) override;
  void setOnArrival(ArrivalHandler handler) override { handler_ = std::move(handler); }
  void setOnHangup(HangupHandler handler) override { hangupHandler_ = std::move(handler); }

  // --- the far end ---
  struct Write {
    std::uint32_t tick;
    std::string bytes;
  };
  const std::vector<Write>& writes() const { return writes_; }
  // Open, close and line changes in order, e.g. "open COM3 9600", "DTR 1", "close".
  const std::vector<std::string>& events() const { return events_; }

  // Bytes that reach the input queue `delayMs` from now (0: at the next message pass).
  void deliver(std::string bytes, std::uint32_t delayMs = 0);
  // Sees every write (bytes as sent) while the port is open.
  using Responder = std::function<void(const std::string& bytes)>;
  void setResponder(Responder responder) { responder_ = std::move(responder); }
  // The next Open fails with this ESerialPort code and operating-system code.
  void failOpen(int code, int winCode) {
    failCode_ = code;
    failWinCode_ = winCode;
  }
  std::size_t pendingInput() const { return input_.size(); }
  // The device goes away `delayMs` from now, after the deliveries due before it:
  // the hang-up handler runs once and nothing arrives until the next Open.
  void hangUp(std::uint32_t delayMs = 0);

 private:
  void notify();

  EventLoop& loop_;
  bool open_ = false;
  Text name_ = u"COM1";
  int baud_ = 9600;
  ArrivalHandler handler_;
  HangupHandler hangupHandler_;
  bool hungUp_ = false;
  Responder responder_;
  std::vector<Write> writes_;
  std::vector<std::string> events_;
  std::string input_;
  int failCode_ = 0;
  int failWinCode_ = 0;
  std::uint64_t generation_ = 0;  // deliveries scheduled before a close are dropped
};

}  // namespace th::test
