#include "tools/logger-sim/ReadShape.h"

#include <algorithm>
#include <random>

namespace th::sim {

namespace {

// Printable bytes, blank included, never a line end.
std::string Noise(std::mt19937& rng, std::size_t n) {
  std::string out(n, ' ');
  for (char& ch : out) {
    ch = static_cast<char>(0x20 + rng() % 0x5f);
  }
  return out;
}

}  // namespace

std::size_t AnnouncedSize(const ModelConfig& config, const std::string& data) {
  auto size = static_cast<std::int64_t>(data.size());
  if (config.sizeCrLfAsOne) {
    for (std::size_t at = 0; (at = data.find("\r\n", at)) != std::string::npos; at += 2) {
      --size;
    }
  }
  return static_cast<std::size_t>(std::max<std::int64_t>(size + config.sizeOffset, 0));
}

std::optional<std::string> SizeReplyText(const ModelConfig& config, std::size_t announced) {
  const std::string n = std::to_string(announced);
  switch (config.sizeReply) {
    case SizeReply::None:
      return std::nullopt;
    case SizeReply::Nan:
      return "FS:" + n + "x";
    case SizeReply::Short:
      return "FS";
    case SizeReply::Negative:
      return "FS:-1";
    case SizeReply::Blank:
      return "FS: " + n;
    case SizeReply::Zero:
      return "FS:0";
    case SizeReply::Huge:
      return "FS:" + std::to_string(kHugeSize);
    case SizeReply::Normal:
      break;
  }
  return "FS:" + n;
}

void ShapeRead(const ModelConfig& config, FileSend& send, std::size_t announced) {
  const std::size_t size = send.data->size();
  if (config.lateTail) {
    send.pauses.push_back(
        {size - std::min(size, config.lateTail->bytes), config.lateTail->delayMs});
  }
  for (const auto& pause : config.readPauses) {
    send.pauses.push_back({pause.at.bytesOf(size, announced), pause.ms});
  }
  // Noise differs from read to read, the same for the same seed.
  std::mt19937 rng(config.seed * 2246822519U + static_cast<std::uint32_t>(send.tag));
  switch (config.readPrefix) {
    case ReadPrefix::Prompt:
      send.inserts.push_back({0, "> "});
      break;
    case ReadPrefix::Header:
      send.inserts.push_back({0, "READ OK\r\n"});
      break;
    case ReadPrefix::Noise:
      send.inserts.push_back({0, Noise(rng, config.prefixNoise)});
      break;
    case ReadPrefix::None:
      break;
  }
  if (config.readNoise && config.readNoise->bytes > 0) {
    std::string bytes = Noise(rng, config.readNoise->bytes);
    if (config.readNoise->cr) {
      bytes[rng() % bytes.size()] = '\r';
    }
    send.inserts.push_back({config.readNoise->at.bytesOf(size), std::move(bytes)});
  }
}

}  // namespace th::sim
