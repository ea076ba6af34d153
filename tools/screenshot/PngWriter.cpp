#include "PngWriter.h"

#include <array>
#include <fstream>

namespace th {

namespace {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
      }
      t.at(n) = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc = table.at((crc ^ data[i]) & 0xFFU) ^ (crc >> 8);
  }
  return ~crc;
}

std::uint32_t Adler32(const std::vector<std::uint8_t>& data) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const std::uint8_t byte : data) {
    a = (a + byte) % 65521U;
    b = (b + a) % 65521U;
  }
  return (b << 16) | a;
}

// Bits into bytes, least significant bit first, as deflate packs them.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void bits(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
      put((value >> i) & 1U);
    }
  }
  // A Huffman code goes most significant bit first.
  void code(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      put((value >> i) & 1U);
    }
  }
  void flush() {
    if (used_ > 0) {
      out_.push_back(current_);
      current_ = 0;
      used_ = 0;
    }
  }

 private:
  void put(std::uint32_t bit) {
    current_ = static_cast<std::uint8_t>(current_ | (bit << used_));
    if (++used_ == 8) {
      out_.push_back(current_);
      current_ = 0;
      used_ = 0;
    }
  }
  std::vector<std::uint8_t>& out_;
  std::uint8_t current_ = 0;
  int used_ = 0;
};

void Symbol(BitWriter& w, int symbol) {
  if (symbol <= 143) {
    w.code(0x30U + static_cast<std::uint32_t>(symbol), 8);
  } else if (symbol <= 255) {
    w.code(0x190U + static_cast<std::uint32_t>(symbol - 144), 9);
  } else if (symbol <= 279) {
    w.code(static_cast<std::uint32_t>(symbol - 256), 7);
  } else {
    w.code(0xC0U + static_cast<std::uint32_t>(symbol - 280), 8);
  }
}

constexpr std::array<int, 29> kLengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                          15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                          67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Match(BitWriter& w, int length, int distance) {
  std::size_t l = kLengthBase.size() - 1;
  while (kLengthBase.at(l) > length) {
    --l;
  }
  Symbol(w, 257 + static_cast<int>(l));
  w.bits(static_cast<std::uint32_t>(length - kLengthBase.at(l)), kLengthExtra.at(l));
  std::size_t d = kDistanceBase.size() - 1;
  while (kDistanceBase.at(d) > distance) {
    --d;
  }
  w.code(static_cast<std::uint32_t>(d), 5);
  w.bits(static_cast<std::uint32_t>(distance - kDistanceBase.at(d)), kDistanceExtra.at(d));
}

// One deflate block with the fixed codes; matches found through a hash of
// three bytes, the latest position of each.
std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data) {
  constexpr int kWindow = 32768;
  constexpr int kMaxMatch = 258;
  constexpr std::size_t kHashSize = 1U << 15;
  std::vector<std::uint8_t> out;
  BitWriter w(out);
  w.bits(1, 1);  // the last block
  w.bits(1, 2);  // fixed codes
  std::vector<int> latest(kHashSize, -1);
  const auto hash = [&data](std::size_t i) {
    return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & (kHashSize - 1);
  };
  std::size_t i = 0;
  while (i < data.size()) {
    int length = 0;
    int distance = 0;
    if (i + 2 < data.size()) {
      const std::size_t h = hash(i);
      const int candidate = latest[h];
      latest[h] = static_cast<int>(i);
      if (candidate >= 0 && static_cast<int>(i) - candidate <= kWindow) {
        const auto from = static_cast<std::size_t>(candidate);
        const std::size_t limit = std::min<std::size_t>(kMaxMatch, data.size() - i);
        std::size_t n = 0;
        while (n < limit && data[from + n] == data[i + n]) {
          ++n;
        }
        if (n >= 3) {
          length = static_cast<int>(n);
          distance = static_cast<int>(i - from);
        }
      }
    }
    if (length > 0) {
      Match(w, length, distance);
      for (std::size_t k = i + 1; k < i + static_cast<std::size_t>(length) && k + 2 < data.size();
           ++k) {
        latest[hash(k)] = static_cast<int>(k);
      }
      i += static_cast<std::size_t>(length);
    } else {
      Symbol(w, data[i]);
      ++i;
    }
  }
  Symbol(w, 256);  // end of block
  w.flush();
  return out;
}

void Chunk(std::vector<std::uint8_t>& png, const char* type,
           const std::vector<std::uint8_t>& body) {
  const auto size = static_cast<std::uint32_t>(body.size());
  for (int shift = 24; shift >= 0; shift -= 8) {
    png.push_back(static_cast<std::uint8_t>(size >> shift));
  }
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), body.begin(), body.end());
  const std::uint32_t crc = Crc32(png.data() + start, png.size() - start);
  for (int shift = 24; shift >= 0; shift -= 8) {
    png.push_back(static_cast<std::uint8_t>(crc >> shift));
  }
}

void BigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(v >> shift));
  }
}

}  // namespace

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb) {
  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  BigEndian(header, static_cast<std::uint32_t>(width));
  BigEndian(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(),
                {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace
  Chunk(png, "IHDR", header);

  // Each row starts with its filter, none.
  const auto row = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> raw;
  raw.reserve((row + 1) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto start = rgb.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y));
    raw.insert(raw.end(), start, start + static_cast<std::ptrdiff_t>(row));
  }
  std::vector<std::uint8_t> stream{0x78, 0x01};
  const std::vector<std::uint8_t> deflated = Deflate(raw);
  stream.insert(stream.end(), deflated.begin(), deflated.end());
  BigEndian(stream, Adler32(raw));
  Chunk(png, "IDAT", stream);
  Chunk(png, "IEND", {});
  return png;
}

bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& rgb) {
  const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace th
