#pragma once
// The step count that the exchange proving the line (the wake-up of a direct
// logger, the clock read of a modem line) hands to the clock setting, which
// goes on counting from it: the clock setting sends only once the count has
// passed 20, so the logger's timing depends on this hand-over.
#include <cstdint>

namespace th {

struct StepCounter {
  std::int32_t steps = 0;
};

}  // namespace th
