#pragma once
// Everything a virtual-time test of the logic needs, wired like the real tool:
// the run state, the panes, a virtual-time loop, the recording view, test
// platform services on a temporary directory, and the unit of logic.
#include <functional>
#include <memory>

#include "app/Tidehaul.h"
#include "platform/BasicEventLoop.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestPlatform.h"

namespace th::test {

struct Rig {
  explicit Rig(Port& port) : sys(dir.str()), rt{rs, panes, loop, view, port, sys}, unit(rt) {
    view.setClock([this] { return loop.tick(); });
  }

  // Moment in ms since the rig was made (virtual time).
  std::uint64_t now() const { return loop.elapsed(); }

  TempDir dir;
  BasicEventLoop loop{BasicEventLoop::Clock::Virtual};
  RecordingView view;
  RunState rs;
  Panes panes;
  TestPlatform sys;

 protected:
  // The port is made on the rig's own loop, before the unit that uses it.
  using PortMaker = std::function<std::unique_ptr<Port>(EventLoop&)>;
  explicit Rig(const PortMaker& makePort)
      : sys(dir.str()),
        ownPort_(makePort(loop)),
        rt{rs, panes, loop, view, *ownPort_, sys},
        unit(rt) {
    view.setClock([this] { return loop.tick(); });
  }

 private:
  std::unique_ptr<Port> ownPort_;

 public:
  Runtime rt;
  Tidehaul unit;
};

// A rig with a simulated port (or a subclass of it) of its own, scripted in
// the rig's virtual time.
template <typename P = SimulatedPort>
struct SimRig : Rig {
  SimRig()
      : Rig([](EventLoop& l) -> std::unique_ptr<Port> { return std::make_unique<P>(l); }),
        port(static_cast<P&>(rt.port)) {}

  P& port;
};

}  // namespace th::test
