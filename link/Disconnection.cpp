#include "link/Disconnection.h"

#include "app/Tidehaul.h"

namespace th {

// Placeholder until the disconnection sequences land.
bool Disconnection::DISConnect(std::int32_t Index, bool ComportClose) {
  (void)Index;
  (void)ComportClose;
  (void)u_;
  return false;
}

}  // namespace th
