#pragma once
// Everything a virtual-time test of the logic needs, wired like the real tool:
// the run state, the panes, a virtual-time loop, the recording view, test
// platform services on a temporary directory, and the unit of logic.
#include "app/Tidehaul.h"
#include "platform/BasicEventLoop.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TestPlatform.h"

namespace th::test {

struct Rig {
  explicit Rig(Port& port)
      : sys(dir.str()), rt{rs, panes, loop, view, port, sys}, unit(rt) {
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
  Runtime rt;
  Tidehaul unit;
};

}  // namespace th::test
