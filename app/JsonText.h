#pragma once
// JSON strings written by hand (RFC 8259): the tool needs no JSON library for
// the one line of its job record.
#include <cstddef>
#include <string>
#include <string_view>

namespace th {

// Appends `text` as a JSON string, quotes included, in UTF-8: '"' and '\'
// escaped, control characters as \u00XX, a lone surrogate as U+FFFD. Between
// the quotes at most `maxBytes` bytes: the text is cut before the first
// character whose bytes would not fit. Returns the bytes between the quotes.
std::size_t AppendJsonString(std::string& out, std::u16string_view text, std::size_t maxBytes);

}  // namespace th
