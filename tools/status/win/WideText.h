#pragma once
// UTF-8, the status tool's text inside, and the wide strings of the Windows API.
#include <string>
#include <string_view>

namespace th::status {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace th::status
