#pragma once
#include <cstdint>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// Turns arriving bytes into lines and files them into the panes.
class ReceivePath {
 public:
  explicit ReceivePath(Tidehaul& unit) : u_(unit) {}

  // Arrival notification of the port: reads up to Count bytes.
  void COMPORTRxChar(int Count);
  // One completed line.
  void ComportRXEvent(const Text& AMsg);
  // Empties the pane that the index selects.
  void RxTypeMemoClear(std::int32_t nRxTypeIndex);

 private:
  Tidehaul& u_;
};

}  // namespace th
