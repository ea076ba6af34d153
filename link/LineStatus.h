#pragma once
// What is known of the line to the logger, shared by the parts that bring it
// up and down, the receive path that hears it drop, and the fetch that needs it.
namespace th {

struct LineStatus {
  // The line came up and no line with "CARRIER" arrived since.
  bool up = false;
  // The device hung up (adapter unplugged, far end gone) since the port was
  // opened: no byte will come any more.
  bool lost = false;
};

}  // namespace th
