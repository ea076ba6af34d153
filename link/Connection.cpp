#include "link/Connection.h"

#include "app/Tidehaul.h"

namespace th {

// Placeholder until the connection sequences land.
bool Connection::Connect(std::int32_t Index, bool ComportClose) {
  (void)Index;
  (void)ComportClose;
  (void)u_;
  return false;
}

}  // namespace th
