#pragma once
// How received characters become a line: fault tags cut as they complete,
// line feeds dropped, and the year a logger lost its decade on put right.
#include <cstddef>

#include "platform/Text.h"

namespace th {

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

}  // namespace th
