#include "link/Waiter.h"

namespace th {

void Waiter::wait(std::int32_t ms) {
  const std::uint32_t past = loop_.tick();
  for (;;) {
    if (stop_.endWaits) {
      return;
    }
    const std::uint32_t now = loop_.tick();
    loop_.processPendingMessages();
    const std::uint32_t elapsed = now - past;
    // Signed: a negative time ends the wait at the first pass.
    if (static_cast<std::int64_t>(elapsed) > static_cast<std::int64_t>(ms)) {
      return;
    }
    // A handler that ran in this pass may have asked to stop: the spinning
    // loop would see it at once, so do not sleep past it.
    if (stop_.endWaits) {
      return;
    }
    // Sleep until a message comes or the tick can pass `ms`; the next pass
    // then reads the tick again, as the spinning loop would.
    const std::uint32_t readNow = loop_.tick() - past;
    if (static_cast<std::int64_t>(readNow) > static_cast<std::int64_t>(ms)) {
      continue;
    }
    loop_.waitForMessage(static_cast<std::uint32_t>(static_cast<std::int64_t>(ms) - readNow + 1));
  }
}

}  // namespace th
