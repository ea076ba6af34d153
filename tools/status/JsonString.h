#pragma once
// One JSON string (RFC 8259) in a line: its escapes and its UTF-8 checked.
#include <cstddef>
#include <string>
#include <string_view>

namespace th::status {

// Reads the string whose opening quote is at `pos` and moves `pos` past its
// closing quote; `out` (when given) gets its text. False when it is not a
// string: a control character, an unknown escape, a lone surrogate, bytes
// that are not UTF-8 or no closing quote.
bool ScanJsonString(std::string_view text, std::size_t& pos, std::string* out);

}  // namespace th::status
