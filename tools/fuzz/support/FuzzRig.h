#pragma once
// The tool's parts wired as the tool wires them, on seams that cost nothing per
// run: virtual time, the recording view, an in-memory file system, and the
// port the target needs. A target makes a fresh rig for every input.
#include <algorithm>
#include <string>
#include <type_traits>

#include "app/Tool.h"
#include "platform/BasicEventLoop.h"
#include "tests/support/NullPort.h"
#include "tests/support/RecordingView.h"
#include "tools/fuzz/support/MemoryPlatform.h"

namespace th::fuzz {

// Hands the receive path what the target queued, as one notification each.
class FeedPort : public test::NullPort {
 public:
  int read(Text& str, int count) override {
    const auto n = std::min(pending_.size(), static_cast<std::size_t>(std::max(count, 0)));
    AssignBytes(str, std::string_view(pending_).substr(0, n));
    pending_.erase(0, n);
    return static_cast<int>(n);
  }
  void queue(std::string_view bytes) { pending_.append(bytes); }

 private:
  std::string pending_;
};

template <typename P>
struct FuzzRig {
  FuzzRig() : port(Make()), tool(loop, view, port, sys, panes) {}

  BasicEventLoop loop{BasicEventLoop::Clock::Virtual};
  test::RecordingView view;
  Panes panes;
  MemoryPlatform sys;
  P port;
  Tool tool;

 private:
  P Make() {
    if constexpr (std::is_constructible_v<P, EventLoop&>) {
      return P(loop);
    } else {
      return P();
    }
  }
};

}  // namespace th::fuzz
