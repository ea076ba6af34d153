#pragma once
// The unit in virtual time with a terminal-mode logger on a simulated port, and
// one device configured: "Station 4", id "01", data files A.TXT and B.TXT in
// <temp>/data.
#include <memory>
#include <string>
#include <vector>

#include "tests/fetch/FakeLogger.h"
#include "tests/support/Rig.h"
#include "tests/support/SimulatedPort.h"

namespace th::test {

// The rig wants its port before its loop exists, and the simulated port wants
// that loop: this stands in until the simulated port is made.
class LatePort : public Port {
 public:
  void attach(Port& target);
  bool Connected() const override { return target_->Connected(); }
  void Open() override { target_->Open(); }
  void Close() override { target_->Close(); }
  void SetPort(const Text& name) override { target_->SetPort(name); }
  Text GetPort() const override { return target_->GetPort(); }
  void SetBaudRate(int baud) override { target_->SetBaudRate(baud); }
  int GetBaudRate() const override { return target_->GetBaudRate(); }
  void SetDTR(bool on) override { target_->SetDTR(on); }
  void SetRTS(bool on) override { target_->SetRTS(on); }
  int WriteStr(const Text& str) override { return target_->WriteStr(str); }
  int ReadStr(Text& str, int count) override { return target_->ReadStr(str, count); }
  void SetOnRxChar(RxCharHandler handler) override;

 private:
  Port* target_ = nullptr;
  RxCharHandler handler_;
};

struct FetchRig {
  static constexpr int kDevice = 4;

  FetchRig();

  // Sets a text field of the device record.
  template <std::size_t N>
  static void Set(ShortString<N>& field, const std::string& value) {
    field.setBytes(value);
  }
  Setup& device() { return rig.rs.DeviceInfo[kDevice]; }
  std::string dataDir() const { return rig.dir.str() + "/data"; }
  std::string dataFile(const std::string& name) const;
  std::string logFile() const;

  // Writes as "<ms> <bytes>" (ms since the rig was made, CR LF shown as \r\n).
  std::vector<std::string> writes() const;
  // Only the bytes of every write, in order.
  std::vector<std::string> lines() const;
  // ms since the rig was made of the latest write.
  std::uint64_t lastWriteMs() const;

  LatePort late;
  Rig rig{late};
  SimulatedPort port{rig.loop};
  FakeLogger logger{port};
};

}  // namespace th::test
