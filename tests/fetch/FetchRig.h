#pragma once
// The unit in virtual time with a terminal-mode logger on a simulated port, and
// one device configured: "Station 4", id "01", data files A.TXT and B.TXT in
// <temp>/data.
#include <string>
#include <vector>

#include "tests/fetch/FakeLogger.h"
#include "tests/support/Rig.h"
#include "tests/support/SimulatedPort.h"

namespace th::test {

struct FetchRig {
  static constexpr int kDevice = 4;

  FetchRig();

  // Sets a text field of the device record.
  template <std::size_t N>
  static void Set(ShortString<N>& field, const std::string& value) {
    field.setBytes(value);
  }
  Setup& device() { return rig.device(kDevice); }
  FetchSettings settings() const { return rig.job(kDevice).fetch; }
  std::string dataDir() const { return rig.dir.str() + "/data"; }
  std::string dataFile(const std::string& name) const;
  std::string logFile() const;

  // Writes as "<ms> <bytes>" (ms since the rig was made, CR LF shown as \r\n).
  std::vector<std::string> writes() const;
  // Only the bytes of every write, in order.
  std::vector<std::string> lines() const;
  // ms since the rig was made of the latest write.
  std::uint64_t lastWriteMs() const;

  SimRig<> rig;
  SimulatedPort& port = rig.port;
  FakeLogger logger{port};
};

}  // namespace th::test
