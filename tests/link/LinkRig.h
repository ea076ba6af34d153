#pragma once
// A rig whose port is a scripted far end in the rig's own virtual time, and
// helpers to configure devices and read back what went over the line.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/Rig.h"
#include "tests/support/SimulatedPort.h"

namespace th::test {

// A simulated port whose writes can be made to fail.
class FaultyPort : public SimulatedPort {
 public:
  using SimulatedPort::SimulatedPort;
  int write(const Text& str) override;
  bool failWrites = false;
};

struct DeviceSpec {
  std::string name = "Station 4";
  std::string logId = "01";
  std::string baud = "9600";
  std::int32_t comport = 3;
  std::string type = "Direct";
  std::string command;
  std::string callCmd;
  std::string modemNo;
  std::string discnt;
};

inline constexpr std::string_view kEscape = "\x1d+++\x1b";

struct LinkRig {
  LinkRig();
  explicit LinkRig(const DeviceSpec& device, int index = 3);

  void configure(const DeviceSpec& device, int index = 3);
  // The far end answers a write that equals `write` with `reply`, `delayMs`
  // later; `times` answers at most (negative: always).
  void on(const std::string& write, const std::string& reply, std::uint32_t delayMs,
          int times = -1);
  // Sets both stop flags at `atMs` (virtual ms since the rig was made), as
  // closing the window does.
  void closeAt(std::uint64_t atMs);

  // Writes as "<ms>:<bytes>", ms since the rig was made.
  std::vector<std::string> writes() const;
  std::vector<std::string> events() const { return sim->events(); }
  const std::vector<std::string>& panel(int n) const { return rig->view.history(n); }

  Tool& tool() { return rig->tool; }
  // What a job makes of device 3's record.
  LinkSettings link() const { return rig->link(3); }
  JobSettings job() const { return rig->job(3); }
  // A complete line arrives before the exchange under test, as a line left
  // from an earlier one.
  void lineBefore(const Text& line);
  RecordingView& view() { return rig->view; }
  std::uint64_t now() const { return rig->now(); }

  std::unique_ptr<SimRig<FaultyPort>> rig;
  FaultyPort* sim;  // the rig's own port

 private:
  struct Reply {
    std::string text;
    std::uint32_t delayMs;
    int remaining;
  };
  std::multimap<std::string, Reply> replies_;
  std::uint32_t base_ = 0;
};

// "<label><n>[sec]" for each count in `counts`.
std::vector<std::string> Counted(const std::string& label, const std::vector<int>& counts,
                                 const std::string& unit = "[sec]");
// Counts value / 10 for value in first..last (step `step`).
std::vector<int> Tenths(int first, int last, int step = 1);
// `text` repeated `n` times.
std::vector<std::string> Repeat(const std::string& text, std::size_t n);

}  // namespace th::test
