#pragma once
// The line assembly as first described and first built: after every added
// character the whole line is searched for every tag, in the given order. It is
// quadratic in the line length; the tests prove the linear one against it.
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
    if (hit == Text::npos) break;
    out.append(s, pos, hit - pos);
    pos = hit + tag.size();
    changed = true;
  }
  if (!changed) return;
  out.append(s, pos, Text::npos);
  s = std::move(out);
}

inline void ReferenceAddChar(Text& line, char16_t c) {
  line.push_back(c);
  for (const auto tag : {u"E32", u"E21", u"E62", u"E40", u"E00"}) ReferenceRemoveAll(line, tag);
}

inline Text ReferenceYearPatch(const Text& line, const Text& nowYear) {
  auto at = [&](std::size_t pos) {
    return line.size() >= pos + 2 && std::u16string_view(line).substr(pos, 2) == u"08";
  };
  if (Contains(line, u"Time Read") && at(10)) return line.substr(0, 10) + nowYear + line.substr(12);
  if (Contains(line, u"Time Set") && at(9)) return line.substr(0, 9) + nowYear + line.substr(11);
  if (at(0)) return nowYear + line.substr(2);
  return line;
}

// Completed lines (year-patched) of a byte stream; `pending` keeps the line
// under assembly across calls.
inline std::vector<Text> ReferenceLines(const Text& bytes, Text& pending, const Text& nowYear) {
  std::vector<Text> lines;
  for (const char16_t c : bytes) {
    if (c == u'\n') continue;
    if (c == u'\r') {
      lines.push_back(ReferenceYearPatch(pending, nowYear));
      pending.clear();
      continue;
    }
    ReferenceAddChar(pending, c);
  }
  return lines;
}

}  // namespace th::test
