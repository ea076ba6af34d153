#pragma once
// Everything a virtual-time test of the logic needs, wired like the real tool:
// the tool's parts on a virtual-time loop, the recording view, the panes and
// test platform services on a temporary directory.
#include <functional>
#include <memory>

#include "app/Tool.h"
#include "platform/BasicEventLoop.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestPlatform.h"

namespace th::test {

struct Rig {
  explicit Rig(Port& port) : sys(dir.str()), tool(loop, view, port, sys, panes) {
    view.setClock([this] { return loop.tick(); });
  }

  // Moment in ms since the rig was made (virtual time).
  std::uint64_t now() const { return loop.elapsed(); }
  // Record n of the settings table, and what a job makes of it.
  Setup& device(int n) { return tool.settings.record(n); }
  JobSettings job(int n) const { return tool.settings.job(n); }
  LinkSettings link(int n) const { return tool.settings.job(n).link; }

  TempDir dir;
  BasicEventLoop loop{BasicEventLoop::Clock::Virtual};
  RecordingView view;
  Panes panes;
  TestPlatform sys;

 protected:
  // The port is made on the rig's own loop, before the tool that uses it.
  using PortMaker = std::function<std::unique_ptr<Port>(EventLoop&)>;
  explicit Rig(const PortMaker& makePort)
      : sys(dir.str()), ownPort_(makePort(loop)), tool(loop, view, *ownPort_, sys, panes) {
    view.setClock([this] { return loop.tick(); });
  }
  Port& ownPort() { return *ownPort_; }

 private:
  std::unique_ptr<Port> ownPort_;

 public:
  Tool tool;
};

// A rig with a simulated port (or a subclass of it) of its own, scripted in
// the rig's virtual time.
template <typename P = SimulatedPort>
struct SimRig : Rig {
  SimRig()
      : Rig([](EventLoop& l) -> std::unique_ptr<Port> { return std::make_unique<P>(l); }),
        port(static_cast<P&>(ownPort())) {}

  P& port;
};

}  // namespace th::test
