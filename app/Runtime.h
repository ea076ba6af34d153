#pragma once
// What every part of the logic reaches: the run state, the panes, and the seams
// to the event loop, the window, the port and the operating system.
#include "app/RunState.h"
#include "platform/EventLoop.h"
#include "platform/LineList.h"
#include "platform/PlatformServices.h"
#include "platform/Port.h"
#include "platform/View.h"

namespace th {

struct Runtime {
  RunState& rs;
  Panes& panes;
  EventLoop& loop;
  View& view;
  Port& port;
  PlatformServices& sys;

  const Setup& device(std::int32_t n) const {
    return rs.DeviceInfo.at(static_cast<std::size_t>(n));
  }
};

}  // namespace th
