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
  bool isOpen() const override { return false; }
  void open() override {}
  void close() override {}
  void setName(const Text& name) override { name_ = name; }
  Text name() const override { return name_; }
  void setBaudRate(int baud) override { baud_ = baud; }
  int baudRate() const override { return baud_; }
  void setDtr(bool /*on*/) override {}
  void setRts(bool /*on*/) override {}
  int write(const Text& /*str*/) override { return 0; }
  int read(Text& str, int /*count*/) override {
    str.clear();
    return 0;
  }
  void setOnArrival(ArrivalHandler /*handler*/) override {}
  void setOnHangup(HangupHandler /*handler*/) override {}

 private:
  Text name_ = u"COM1";
  int baud_ = 9600;
};

}  // namespace th
