#pragma once
// The sample of the window's pictures: record 3 of a settings table as a
// parent program might have written it, and a port that never opens a line.
#include <cstdint>

#include "app/Setup.h"
#include "platform/Port.h"

namespace th {

inline constexpr std::int32_t kSampleDevice = 3;

void FillSampleRecord(Setup& s);

// The screenshot never opens a line.
class IdlePort : public Port {
 public:
  bool Connected() const override { return false; }
  void Open() override {}
  void Close() override {}
  void SetPort(const Text& name) override { name_ = name; }
  Text GetPort() const override { return name_; }
  void SetBaudRate(int baud) override { baud_ = baud; }
  int GetBaudRate() const override { return baud_; }
  void SetDTR(bool /*on*/) override {}
  void SetRTS(bool /*on*/) override {}
  int WriteStr(const Text& /*str*/) override { return 0; }
  int ReadStr(Text& str, int /*count*/) override {
    str.clear();
    return 0;
  }
  void SetOnRxChar(RxCharHandler /*handler*/) override {}
  void SetOnHangup(HangupHandler /*handler*/) override {}

 private:
  Text name_ = u"COM1";
  int baud_ = 9600;
};

}  // namespace th
