#pragma once
// A logger model in virtual time with a fixed PC clock and every event kept.
#include <ctime>
#include <string>
#include <vector>

#include "tools/logger-sim/LoggerModel.h"

namespace th::sim::test {

// 2024-05-06 14:05:31 local time.
inline std::time_t FixedWall() {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 4;
  tm.tm_mday = 6;
  tm.tm_hour = 14;
  tm.tm_min = 5;
  tm.tm_sec = 31;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

struct Event {
  std::int64_t ms;
  std::string kind;
  std::string text;
};

struct SimHarness {
  explicit SimHarness(ModelConfig config, LoggerFiles files = {})
      : model(
            std::move(config), std::move(files),
            [this](std::int64_t ms, std::string_view kind, std::string_view text) {
              events.push_back({ms, std::string(kind), std::string(text)});
            },
            [] { return FixedWall(); }) {}

  // Sends a line ended by CR LF at `at` and returns what is due by then.
  std::string line(const std::string& text, std::int64_t at = 0) {
    model.receive(text + "\r\n", at);
    return model.take(at, 1 << 30);
  }
  std::string takeAt(std::int64_t at) { return model.take(at, 1 << 30); }

  bool hasEvent(const std::string& kind, const std::string& text) const {
    for (const auto& e : events) {
      if (e.kind == kind && e.text == text) {
        return true;
      }
    }
    return false;
  }

  std::vector<Event> events;
  LoggerModel model;
};

// The tool's line assembly: tags removed after every character, LF dropped.
inline std::vector<std::string> ReceivedLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string cur;
  for (const char ch : bytes) {
    if (ch == '\n') {
      continue;
    }
    if (ch == '\r') {
      lines.push_back(cur);
      cur.clear();
      continue;
    }
    cur += ch;
    for (const char* tag : {"E32", "E21", "E62", "E40", "E00"}) {
      for (std::size_t p; (p = cur.find(tag)) != std::string::npos;) {
        cur.erase(p, 3);
      }
    }
  }
  return lines;
}

}  // namespace th::sim::test
