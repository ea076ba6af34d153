#include "link/Waiter.h"

#include "app/Tidehaul.h"

namespace th {

void Waiter::delay(std::int32_t TickTime) {
  EventLoop& loop = u_.rt.loop;
  const RunState& rs = u_.rt.rs;
  const std::uint32_t past = loop.tick();
  for (;;) {
    if (rs.delay_stop_flg) {
      return;
    }
    const std::uint32_t now = loop.tick();
    loop.processPendingMessages();
    const std::uint32_t elapsed = now - past;
    // A negative TickTime compares as the signed original does: any elapsed
    // count above it ends the wait.
    if (static_cast<std::int64_t>(elapsed) > static_cast<std::int64_t>(TickTime)) {
      return;
    }
    // A handler that ran in this pass may have set the flag: the spinning
    // loop would see it at once, so do not sleep past it.
    if (rs.delay_stop_flg) {
      return;
    }
    // Sleep until a message comes or the tick can pass TickTime; the next pass
    // then reads the tick again, as the spinning loop would.
    const std::uint32_t readNow = loop.tick() - past;
    if (static_cast<std::int64_t>(readNow) > static_cast<std::int64_t>(TickTime)) {
      continue;
    }
    loop.waitForMessage(
        static_cast<std::uint32_t>(static_cast<std::int64_t>(TickTime) - readNow + 1));
  }
}

}  // namespace th
