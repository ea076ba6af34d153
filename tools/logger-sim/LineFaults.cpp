#include "tools/logger-sim/LineFaults.h"

namespace th::sim {

bool LineFaults::dropsCarrierOn(Cmd cmd, int nth) const {
  return config_.noCarrierOn == cmd && (config_.noCarrierNth == 0 || config_.noCarrierNth == nth);
}

void LineFaults::answered(Cmd cmd, int nth) {
  if (!done_ && config_.unplugOn && config_.unplugOn->cmd == cmd && config_.unplugOn->nth == nth) {
    afterOutput_ = true;
  }
}

void LineFaults::outputIdle(std::int64_t now) {
  if (afterOutput_ && !due_) {
    afterOutput_ = false;
    due_ = now + kGraceMs;
  }
}

LineFaults::ReadFate LineFaults::readStarts(std::size_t size, std::uint64_t tag) {
  ++reads_;
  ReadFate fate;
  if (!done_ && config_.unplugAfter && reads_ == config_.unplugRead) {
    fate.unplugAt = config_.unplugAfter->bytesOf(size);
    readTag_ = tag;
  }
  if (config_.noCarrierAfter && reads_ == config_.noCarrierRead) {
    fate.carrierAt = config_.noCarrierAfter->bytesOf(size);
  }
  return fate;
}

void LineFaults::readEnded(std::uint64_t tag, std::int64_t now) {
  if (readTag_ == tag && !due_) {
    readTag_.reset();
    due_ = now + kGraceMs;
  }
}

}  // namespace th::sim
