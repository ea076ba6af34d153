#include "app/Tool.h"

namespace th {

Tool::Tool(EventLoop& loop, View& view, Port& port, PlatformServices& sys, Panes& panes)
    : reception(panes),
      waiter(loop, stop),
      receivePath(port, waiter, view, reception, line),
      log(sys),
      settings(sys),
      disconnection(port, waiter, reception, view, stop, line),
      clock(port, waiter, reception, view, stop, steps, sys, log),
      connection(port, waiter, reception, view, stop, line, steps, disconnection,
                 [this](const Text& loggerId) { return clock.readClock(loggerId); }),
      terminal(port, waiter, reception, view, stop),
      files(port, waiter, reception, view, stop, line, terminal),
      writer(sys),
      fetch(FetchParts{terminal, files, writer, reception, receivePath, line, stop, waiter, panes,
                       view, log, sys}),
      job(reception, stop, connection, clock, fetch, disconnection),
      lastResort(log, view, loop),
      records(sys, log),
      shell(ShellParts{loop, view, sys, stop, settings, receivePath, job, lastResort, records}) {
  port.setOnArrival([this](int count) { receivePath.onArrival(count); });
  port.setOnHangup([this] { receivePath.onHangup(); });
}

}  // namespace th
