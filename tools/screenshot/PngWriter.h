#pragma once
// A PNG file of 8-bit RGB pixels, compressed with deflate's fixed codes: a
// window's picture (large areas of one colour) shrinks about twentyfold.
#include <cstdint>
#include <string>
#include <vector>

namespace th {

// `rgb` holds width * height pixels of three bytes, row after row from the top.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

// Writes the file; false when it cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace th
