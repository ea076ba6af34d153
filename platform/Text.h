#pragma once
// Text in memory is UTF-16, as the logic was designed around; the serial line
// carries one byte per character and the files on disk use UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

namespace th {

using Text = std::u16string;

// Text from ASCII literals and numbers.
Text T(std::string_view ascii);
Text IntToText(std::int64_t value);

// Decimal whole number (optional sign, digits only, blanks around allowed as
// StrToInt allows them); false when the text is not one or does not fit 32 bits.
bool TryTextToInt(const Text& text, std::int32_t& value);
std::int32_t TextToIntDef(const Text& text, std::int32_t fallback);
// The same without blanks or tabs around the number: a settings value is the
// number and nothing else.
bool TryTextToIntStrict(const Text& text, std::int32_t& value);

// Upper-cases ASCII letters a-z only, as the reply tests do.
Text AsciiUpper(Text text);
bool Contains(const Text& text, std::u16string_view what);
// Contains(AsciiUpper(text), upperWhat) without the copy; upperWhat holds no
// lower-case ASCII letter.
bool ContainsUpperCased(std::u16string_view text, std::u16string_view upperWhat);

// The texts of the settings file and the event log, in the system's ANSI code
// page: UTF-8 on Linux, the Windows ANSI code page there (per-OS files).
// Nothing is dropped when decoding; a character the code page lacks is
// encoded as its default character.
Text DecodeAnsi(std::string_view bytes);
std::string EncodeAnsi(const Text& text);

// The serial line and the data files: one byte per character. Characters above
// 255 keep their low byte, as the port component sends them.
Text BytesToText(std::string_view bytes);
// The same into an existing text, reusing its storage.
void AssignBytes(Text& text, std::string_view bytes);
std::string TextToBytes(const Text& text);

// For messages, test output and Qt: lossless UTF-8 of the UTF-16 text. A byte
// sequence that is not UTF-8 decodes byte by byte as the character of the same
// number, so nothing is dropped.
std::string ToUtf8(const Text& text);
Text FromUtf8(std::string_view utf8);

}  // namespace th
