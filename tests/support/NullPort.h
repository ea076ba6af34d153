#pragma once
// A port that opens and closes and otherwise does nothing: for tests of parts
// that never talk to the line.
#include "platform/Port.h"

namespace th::test {

class NullPort : public Port {
 public:
  bool isOpen() const override { return open_; }
  void open() override { open_ = true; }
  void close() override { open_ = false; }
  void setName(const Text& name) override { name_ = name; }
  Text name() const override { return name_; }
  void setBaudRate(int baud) override { baud_ = baud; }
  int baudRate() const override { return baud_; }
  void setDtr(bool) override {}
  void setRts(bool) override {}
  int write(const Text& str) override { return static_cast<int>(str.size()); }
  int read(Text& str, int) override {
    str.clear();
    return 0;
  }
  void setOnArrival(ArrivalHandler handler) override { handler_ = std::move(handler); }
  void setOnHangup(HangupHandler /*handler*/) override {}

 private:
  bool open_ = false;
  Text name_ = u"COM1";
  int baud_ = 9600;
  ArrivalHandler handler_;
};

}  // namespace th::test
