#pragma once
#include <cstddef>
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
// The same while the line holds fewer than maxLine characters; false when a
// character found it full and was dropped (LF is dropped before it counts).
// Only an added character can complete a tag, so a full line stays full.
bool AddLineChars(Text& line, std::u16string_view chars, std::size_t maxLine);

// A two-digit year "08" from a logger whose clock lost its decade becomes the
// current year (nowYear, two characters); the line keeps its length.
Text YearPatch(const Text& line, const Text& nowYear);
// The same on the line itself.
void PatchYear(Text& line, const Text& nowYear);

// Turns arriving bytes into lines and files them into the panes.
class ReceivePath {
 public:
  // A line under assembly stops growing here (the rest is dropped and noted in
  // LineCut): a line that never ends must not eat the memory.
  static constexpr std::size_t kMaxLine = std::size_t{1} << 20;
  // Status panel 3 shows at most this much of a line.
  static constexpr std::size_t kPanelLimit = 4096;

  explicit ReceivePath(Tidehaul& unit) : u_(unit) {}

  // Arrival notification of the port: reads up to Count bytes.
  void COMPORTRxChar(int Count);
  // One completed line.
  void ComportRXEvent(const Text& AMsg);
  // Hang-up notification of the port.
  void COMPORTHangup();
  // Files the line still under assembly as a complete line: the last line of a
  // file that ends without CR.
  void FlushPartialLine();
  // Drops the line under assembly: the rest of it will never come.
  void DropPartialLine();
  // Empties the pane that the index selects.
  void RxTypeMemoClear(std::int32_t nRxTypeIndex);

  // A lower limit on the line under assembly, so that tests and the fuzzer
  // reach it without feeding a megabyte per case.
  void SetMaxLine(std::size_t maxLine) { maxLine_ = maxLine; }

 private:
  Tidehaul& u_;
  std::size_t maxLine_ = kMaxLine;
  Text received_;  // kept between notifications so a read allocates nothing
};

}  // namespace th
