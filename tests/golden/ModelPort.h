#pragma once
// A port whose far end is the simulator's protocol model, in the loop's
// virtual time: every write goes to the model, opens and closes reach it as
// the line opening and closing, its output arrives when it is due (a timer at
// the model's next due moment), and the device hangs up when the model
// unplugs its adapter; from then on writes and line changes fail with EIO as
// on a vanished device, until the port is opened again. Every write and line
// change is kept with its moment.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/SimulatedPort.h"
#include "tools/logger-sim/LoggerModel.h"

namespace th::golden {

class ModelPort : public test::SimulatedPort {
 public:
  ModelPort(EventLoop& loop, sim::LoggerModel& model);
  ~ModelPort() override;
  ModelPort(const ModelPort&) = delete;
  ModelPort& operator=(const ModelPort&) = delete;

  void open() override;
  void close() override;
  void setDtr(bool on) override;
  void setRts(bool on) override;
  int write(const Text& str) override;

  struct Entry {
    std::int64_t ms;
    std::string text;  // "> " and the escaped bytes for a write, else the line change
  };
  const std::vector<Entry>& journal() const { return journal_; }

 private:
  std::int64_t now() const;
  // Journals the line changes the base port noted since `before`.
  void noteEvents(std::size_t before);
  // Raises the component's error `code` for a device that went away.
  void failOnDeadDevice(const std::string& what, int code);
  void schedule();
  void due();

  EventLoop& loop_;
  sim::LoggerModel& model_;
  std::uint32_t startTick_;
  std::vector<Entry> journal_;
  TimerId timer_ = 0;
  std::optional<std::int64_t> timerAt_;
  bool unplugged_ = false;
};

}  // namespace th::golden
