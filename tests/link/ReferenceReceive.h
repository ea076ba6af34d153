#pragma once
// The line assembly as first described and first built: after every added
// character the whole line is searched for every tag, in the given order. It is
// quadratic in the line length; the tests prove the linear one against it.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Text.h"

namespace th::test {

inline void ReferenceRemoveAll(Text& s, std::u16string_view tag) {
  std::size_t pos = 0;
  Text out;
  bool changed = false;
  for (;;) {
    const std::size_t hit = s.find(tag, pos);
    if (hit == Text::npos) {
      break;
    }
    out.append(s, pos, hit - pos);
    pos = hit + tag.size();
    changed = true;
  }
  if (!changed) {
    return;
  }
  out.append(s, pos, Text::npos);
  s = std::move(out);
}

inline void ReferenceAddChar(Text& line, char16_t c) {
  line.push_back(c);
  for (const auto tag : {u"E32", u"E21", u"E62", u"E40", u"E00"}) {
    ReferenceRemoveAll(line, tag);
  }
}

inline Text ReferenceYearPatch(const Text& line, const Text& nowYear) {
  auto at = [&](std::size_t pos) {
    return line.size() >= pos + 2 && std::u16string_view(line).substr(pos, 2) == u"08";
  };
  if (Contains(line, u"Time Read") && at(10)) {
    return line.substr(0, 10) + nowYear + line.substr(12);
  }
  if (Contains(line, u"Time Set") && at(9)) {
    return line.substr(0, 9) + nowYear + line.substr(11);
  }
  if (at(0)) {
    return nowYear + line.substr(2);
  }
  return line;
}

// Completed lines (year-patched) of a byte stream; `pending` keeps the line
// under assembly across calls.
inline std::vector<Text> ReferenceLines(const Text& bytes, Text& pending, const Text& nowYear) {
  std::vector<Text> lines;
  for (const char16_t c : bytes) {
    if (c == u'\n') {
      continue;
    }
    if (c == u'\r') {
      lines.push_back(ReferenceYearPatch(pending, nowYear));
      pending.clear();
      continue;
    }
    ReferenceAddChar(pending, c);
  }
  return lines;
}

// The whole receive path as plainly as it can be said, one character at a
// time: what a notification leaves in Buff, BuffTemp, FileSize, LineCut,
// Connect_flg, status panel 3 and the three panes. A line under assembly that
// holds maxLine characters takes no more (LF is dropped before it counts); the
// rest of the line is dropped and LineCut set. Panel 3 shows at most
// panelLimit characters of a line.
struct ReferenceReceivePath {
  using AddChar = void (*)(Text&, char16_t);

  ReferenceReceivePath(std::size_t maxLine, std::size_t panelLimit)
      : maxLine_(maxLine), panelLimit_(panelLimit) {}

  // One arrival notification with these bytes (one character each).
  void notify(std::u16string_view chars) {
    fileSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(fileSize) +
                                         static_cast<std::uint32_t>(chars.size()));
    for (const char16_t c : chars) {
      if (c == u'\n') {
        continue;
      }
      if (c == u'\r') {
        complete();
        continue;
      }
      if (buffTemp.size() >= maxLine_) {
        lineCut = true;
        continue;
      }
      (buffTemp.size() < longLine ? ReferenceAddChar : addLongLineChar)(buffTemp, c);
    }
  }
  // The last line of a file that ends without CR.
  void flushPartial() {
    if (!buffTemp.empty()) {
      complete();
    }
  }
  void dropPartial() { buffTemp.clear(); }
  void clearPane(std::int32_t index) {
    if (index >= 0 && index < 3) {
      panes[static_cast<std::size_t>(index)].clear();
    }
  }

  Text nowYear = u"24";
  std::int32_t rxTypeIndex = 0;
  Text buff;
  Text buffTemp;
  std::int32_t fileSize = 0;
  bool lineCut = false;
  bool connected = true;
  Text panel3;
  std::array<std::vector<Text>, 3> panes;
  // Searching the whole line after every character costs its length each
  // time; from this length on the line takes addLongLineChar instead (the
  // tests prove the fast one equal to the search).
  std::size_t longLine = static_cast<std::size_t>(-1);
  AddChar addLongLineChar = ReferenceAddChar;

 private:
  void complete() {
    buff = ReferenceYearPatch(buffTemp, nowYear);
    buffTemp.clear();
    if (buff.empty()) {
      return;
    }
    if (Contains(AsciiUpper(buff), u"CARRIER")) {
      connected = false;
    }
    panel3 = buff.substr(0, panelLimit_);
    const bool dash = Contains(buff, u"-");
    if (rxTypeIndex == 0 || ((rxTypeIndex == 1 || rxTypeIndex == 2) && dash)) {
      panes[static_cast<std::size_t>(rxTypeIndex)].push_back(buff);
    }
  }

  std::size_t maxLine_;
  std::size_t panelLimit_;
};

}  // namespace th::test
