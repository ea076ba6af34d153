#pragma once
#include <cstdint>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// Adds one received character to the line under assembly and removes the fault
// tag ("E32", "E21", "E62", "E40", "E00") that it completes. Between characters
// the line never holds a tag, so a new tag can only end at the added character,
// and cutting it leaves a prefix of a tag-free line: looking at the tail gives
// the same line as searching the whole line for every tag, at a constant cost
// per character.
void AddLineChar(Text& line, char16_t c);
// AddLineChar for each of `chars` (which hold no CR), with LF dropped; one
// resize for the whole run instead of a push per character.
void AddLineChars(Text& line, std::u16string_view chars);

// A two-digit year "08" from a logger whose clock lost its decade becomes the
// current year (nowYear, two characters); the line keeps its length.
Text YearPatch(const Text& line, const Text& nowYear);
// The same on the line itself.
void PatchYear(Text& line, const Text& nowYear);

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
  Text received_;  // kept between notifications so a read allocates nothing
};

}  // namespace th
