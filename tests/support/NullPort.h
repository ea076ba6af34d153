#pragma once
// A port that opens and closes and otherwise does nothing: for tests of parts
// that never talk to the line.
#include "platform/Port.h"

namespace th::test {

class NullPort : public Port {
 public:
  bool Connected() const override { return open_; }
  void Open() override { open_ = true; }
  void Close() override { open_ = false; }
  void SetPort(const Text& name) override { name_ = name; }
  Text GetPort() const override { return name_; }
  void SetBaudRate(int baud) override { baud_ = baud; }
  int GetBaudRate() const override { return baud_; }
  void SetDTR(bool) override {}
  void SetRTS(bool) override {}
  int WriteStr(const Text& str) override { return static_cast<int>(str.size()); }
  int ReadStr(Text& str, int) override {
    str.clear();
    return 0;
  }
  void SetOnRxChar(RxCharHandler handler) override { handler_ = std::move(handler); }
  void SetOnHangup(HangupHandler /*handler*/) override {}

 private:
  bool open_ = false;
  Text name_ = u"COM1";
  int baud_ = 9600;
  RxCharHandler handler_;
};

}  // namespace th::test
