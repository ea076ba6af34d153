#pragma once
// Conversions between the tool's strings and the wide strings of the Windows
// API. Paths are held in the ANSI code page, as the settings record holds them.
#include <string>
#include <string_view>

#include "platform/Text.h"

namespace th::win {

std::wstring WideFromAnsi(std::string_view ansi);
std::string AnsiFromWide(std::wstring_view wide);
Text TextFromWide(std::wstring_view wide);
std::wstring WideFromText(const Text& text);

}  // namespace th::win
