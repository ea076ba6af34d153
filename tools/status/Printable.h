#pragma once
// Texts from records and command lines made safe for where they are shown:
// no control characters on a terminal, valid UTF-8 where a reader insists.
#include <cstddef>
#include <string>
#include <string_view>

namespace th::status {

// Control characters (a record's "\u001b", a line end) become "?".
std::string Printable(std::string_view text);

// Columns a UTF-8 text takes: one per character.
std::size_t DisplayWidth(std::string_view text);

// Bytes that are not UTF-8 (a folder name in another encoding) become U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace th::status
