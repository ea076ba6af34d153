#include "tests/golden/GoldenCompare.h"

#include <charconv>
#include <map>

namespace th::golden {

namespace {

struct Line {
  std::size_t number;  // from 1, in its transcript
  std::string kind;    // "" for the lines compared exactly
  std::int64_t ms = 0;
  std::string text;  // the line without its moment
};

std::vector<std::string> Kinds(const std::vector<std::string>& lines,
                               std::map<std::string, std::vector<Line>>& byKind) {
  std::vector<std::string> order;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    Line line{i + 1, "", 0, l};
    const std::size_t blank = l.find(' ');
    if (blank != std::string::npos && l.compare(blank + 1, 1, "@") == 0) {
      const std::size_t end = std::min(l.find(' ', blank + 1), l.size());
      const auto [p, ec] = std::from_chars(l.data() + blank + 2, l.data() + end, line.ms);
      if (ec == std::errc() && p == l.data() + end) {
        line.kind = l.substr(0, blank);
        line.text = line.kind + l.substr(end);
      }
    }
    if (byKind.count(line.kind) == 0) {
      order.push_back(line.kind);
    }
    byKind[line.kind].push_back(std::move(line));
  }
  return order;
}

std::string Show(const char* which, const std::vector<Line>& lines, std::size_t i) {
  if (i >= lines.size()) {
    return std::string(which) + ": (nothing more)\n";
  }
  const Line& l = lines[i];
  return std::string(which) + " line " + std::to_string(l.number) +
         (l.kind.empty() ? "" : " @" + std::to_string(l.ms)) + ": " + l.text + "\n";
}

}  // namespace

std::optional<std::string> FirstDifference(const std::vector<std::string>& recorded,
                                           const std::vector<std::string>& fresh,
                                           std::int64_t toleranceMs) {
  std::map<std::string, std::vector<Line>> was;
  std::map<std::string, std::vector<Line>> now;
  std::vector<std::string> order = Kinds(recorded, was);
  for (const auto& kind : Kinds(fresh, now)) {
    if (was.count(kind) == 0) {
      order.push_back(kind);
    }
  }
  for (const auto& kind : order) {
    const std::vector<Line>& a = was[kind];
    const std::vector<Line>& b = now[kind];
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      const bool same = i < a.size() && i < b.size() && a[i].text == b[i].text &&
                        std::abs(a[i].ms - b[i].ms) <= toleranceMs;
      if (!same) {
        return "entry " + std::to_string(i + 1) + " of " +
               (kind.empty() ? std::string("the exact lines") : "\"" + kind + "\"") + ":\n" +
               Show("recorded", a, i) + Show("now     ", b, i);
      }
    }
  }
  return std::nullopt;
}

}  // namespace th::golden
