#include "tests/fetch/FakeLogger.h"

#include <algorithm>
#include <cstdio>

namespace th::test {

FakeLogger::FakeLogger(SimulatedPort& port) : port_(port) {
  port_.setResponder([this](const std::string& bytes) { receive(bytes); });
}

void FakeLogger::receive(const std::string& bytes) {
  for (const char c : bytes) {
    if (c == '\n') {
      continue;
    }
    if (c != '\r') {
      pending_.push_back(c);
      continue;
    }
    const std::string line = pending_;
    pending_.clear();
    received.push_back(line);
    if (echo) {
      reply(line, replyDelayMs / 2);
    }
    if (onCommand) {
      onCommand(line);
    }
    serve(line);
    if (afterCommand) {
      afterCommand(line);
    }
  }
}

void FakeLogger::reply(const std::string& text, std::uint32_t delayMs) {
  const std::uint32_t busy = busyUntil_ - now();
  if (busy < 0x80000000u && busy >= delayMs) {
    delayMs = busy + 1;
  }
  port_.deliver(text + "\r\n", delayMs);
}

void FakeLogger::stream(const std::string& path, const std::string& bytes) {
  std::string content = bytes;
  std::string tail;
  std::uint32_t tailDelay = 0;
  if (const auto late = lateTail.find(path); late != lateTail.end()) {
    const std::size_t n = std::min(late->second.bytes, content.size());
    tail = content.substr(content.size() - n);
    content.resize(content.size() - n);
    tailDelay = late->second.delayMs;
  }
  const auto pause = readPause.find(path);
  std::uint32_t at = replyDelayMs;
  for (std::size_t pos = 0; pos < content.size(); at += 10) {
    std::size_t n = std::min(bytesPer10Ms, content.size() - pos);
    if (pause != readPause.end() && pos < pause->second.at && pos + n > pause->second.at) {
      n = pause->second.at - pos;
    }
    port_.deliver(content.substr(pos, n), at);
    pos += n;
    if (pause != readPause.end() && pos == pause->second.at) {
      at += pause->second.ms;
    }
  }
  if (!tail.empty()) {
    at += tailDelay;
    port_.deliver(tail, at);
  }
  busyUntil_ = now() + at;
}

void FakeLogger::serve(const std::string& line) {
  auto arg = [&](std::size_t skip) {
    return line.size() > skip ? line.substr(skip) : std::string();
  };
  if (line.rfind("#M", 0) == 0 && line.size() >= 3 && line.back() == 'O') {
    terminalMode = true;
    if (mute.count("open") == 0) {
      reply("Terminal mode ON");
    }
  } else if (line.rfind("#M", 0) == 0 && line.back() == 'C') {
    terminalMode = false;
    if (mute.count("close") == 0) {
      reply("Function mode");
    }
  } else if (line == "DIR") {
    if (mute.count("dir") != 0) {
      return;
    }
    reply(" Directory of \\");
    for (const auto& [path, content] : files) {
      reply(path + "  " + std::to_string(content.size()));
    }
    reply("   " + std::to_string(files.size()) + " File(s)");
  } else if (line.rfind("FSIZE ", 0) == 0) {
    if (mute.count("fsize") != 0) {
      return;
    }
    const std::string path = arg(6);
    const auto special = sizeReply.find(path);
    if (special != sizeReply.end()) {
      reply(special->second);
      return;
    }
    const auto file = files.find(path);
    long size = file == files.end() ? 0 : static_cast<long>(file->second.size());
    if (const auto offset = sizeOffset.find(path); offset != sizeOffset.end()) {
      size = std::max(0L, size + offset->second);
    }
    reply("FS:" + std::to_string(size));
  } else if (line.rfind("fread ", 0) == 0) {
    if (mute.count("fread") != 0) {
      return;
    }
    const std::string path = arg(6);
    const auto file = files.find(path);
    if (file == files.end()) {
      return;
    }
    std::string content = file->second;
    const auto stop = stopAfter.find(path);
    if (stop != stopAfter.end()) {
      content.resize(std::min(stop->second, content.size()));
    }
    if (const auto noise = readNoise.find(path);
        noise != readNoise.end() && noise->second.at <= content.size()) {
      content.insert(noise->second.at, noise->second.bytes);
    }
    if (const auto prefix = readPrefix.find(path); prefix != readPrefix.end()) {
      content.insert(0, prefix->second);
    }
    stream(path, content);
  } else if (line.rfind("DEL ", 0) == 0) {
    const std::string path = arg(4);
    deleted.push_back(path);
    if (delsNotTaken > 0) {
      --delsNotTaken;
    } else {
      files.erase(path);
    }
  }
}

std::string DataLines(int count, int firstMinute, const std::string& values) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const int minute = firstMinute + i * 10;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "24-05-%02d %02d:%02d:00", 6 + minute / 1440,
                  minute / 60 % 24, minute % 60);
    out += stamp + values + "\r\n";
  }
  return out;
}

}  // namespace th::test
