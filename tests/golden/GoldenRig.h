#pragma once
// The tool's logic as the program runs it, on a virtual-time loop with a
// recording view and test platform services on a temporary folder. This is the
// one file of the comparison that knows how the logic is composed: a reshaped
// core changes it and nothing else here.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/Port.h"

namespace th::golden {

class GoldenRig {
 public:
  // Makes the port on the rig's loop, before the logic that uses it.
  using PortMaker = std::function<std::unique_ptr<Port>(EventLoop&)>;

  explicit GoldenRig(const PortMaker& makePort);
  ~GoldenRig();
  GoldenRig(const GoldenRig&) = delete;
  GoldenRig& operator=(const GoldenRig&) = delete;

  // The executable's folder: Setting.dat goes here before start().
  const std::filesystem::path& folder() const;
  // Virtual ms since the rig was made.
  std::int64_t now() const;

  // Window created and shown, as the program starts.
  void start();
  // The parent names device `n` at `atMs`.
  void nameDevice(int n, std::int64_t atMs);
  // The window is asked to close at `atMs`, as a stop signal does.
  void closeAt(std::int64_t atMs);
  // Runs until the tool ends (true) or nothing can happen any more or
  // `limitMs` passed (false); the port is closed as the program closes it.
  bool runToEnd(std::int64_t limitMs);

  struct StatusText {
    std::int64_t ms;
    int panel;
    std::string text;  // UTF-8
  };
  std::vector<StatusText> statusTexts() const;
  std::vector<bool> busyChanges() const;
  int progressMax() const;
  int progressPosition() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace th::golden
