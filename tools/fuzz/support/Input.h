#pragma once
// Splits a fuzz input into the bytes a target feeds and the few numbers that
// steer it. Numbers come off the end, so the front stays the raw stream that
// the dictionary and the seeds shape; a short input gives zeros.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace th::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size)
      : bytes_(reinterpret_cast<const char*>(data), size) {}

  // An unsigned number from the last bytes (little-endian), 0 when none are left.
  template <typename T>
  T takeBack() {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T) && !bytes_.empty(); ++i) {
      value = static_cast<T>(
          value | (static_cast<T>(static_cast<unsigned char>(bytes_.back())) << (8 * i)));
      bytes_.remove_suffix(1);
    }
    return value;
  }

  // What is left, from the front.
  std::string_view rest() const { return bytes_; }
  std::string restString() const { return std::string(bytes_); }

 private:
  std::string_view bytes_;
};

// A small, fast generator for chunk sizes and choices, seeded from the input.
class Choices {
 public:
  explicit Choices(std::uint64_t seed) : state_(seed * 2 + 1) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 16);
  }
  // 0 to n - 1; n > 0.
  std::size_t below(std::size_t n) { return next() % n; }

 private:
  std::uint64_t state_;
};

}  // namespace th::fuzz
