#pragma once
// Bytes as one readable transcript line: printable ASCII as it is, everything
// else (and '<') as a <NAME> or <HH> mark, so a line never breaks.
#include <string>
#include <string_view>

namespace th::sim {

std::string EscapeBytes(std::string_view bytes);

}  // namespace th::sim
