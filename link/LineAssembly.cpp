#include "link/LineAssembly.h"

#include <algorithm>
#include <array>

namespace th {

namespace {

// The last two characters of "E32", "E21", "E62", "E40" or "E00".
bool IsTagTail(char16_t a, char16_t b) {
  return (a == u'3' && b == u'2') || (a == u'2' && b == u'1') || (a == u'6' && b == u'2') ||
         (a == u'4' && b == u'0') || (a == u'0' && b == u'0');
}

}  // namespace

void AddLineChar(Text& line, char16_t c) {
  line.push_back(c);
  const std::size_t n = line.size();
  if (n < 3 || line[n - 3] != u'E') {
    return;
  }
  static constexpr std::array<std::u16string_view, 5> kTags = {u"E32", u"E21", u"E62", u"E40",
                                                               u"E00"};
  const std::u16string_view tail = std::u16string_view(line).substr(n - 3);
  for (const auto tag : kTags) {
    if (tail == tag) {
      line.resize(n - 3);
      return;
    }
  }
}

void PatchYear(Text& line, const Text& nowYear) {
  auto at = [&](std::size_t pos) {
    return line.size() >= pos + 2 && line[pos] == u'0' && line[pos + 1] == u'8';
  };
  // The position test is cheaper than the search, and both must hold.
  if (at(10) && Contains(line, u"Time Read")) {
    line.replace(10, 2, nowYear);
  } else if (at(9) && Contains(line, u"Time Set")) {
    line.replace(9, 2, nowYear);
  } else if (at(0)) {
    line.replace(0, 2, nowYear);
  }
}

void AddLineChars(Text& line, std::u16string_view chars) {
  AddLineChars(line, chars, static_cast<std::size_t>(-1));
}

bool AddLineChars(Text& line, std::u16string_view chars, std::size_t maxLine) {
  std::size_t n = line.size();
  // Nothing is written at or past maxLine.
  line.resize(std::max(n, std::min(n + chars.size(), maxLine)));
  char16_t* p = line.data();
  bool kept = true;
  for (const char16_t c : chars) {
    if (c == u'\n') {
      continue;
    }
    if (n >= maxLine) {
      kept = false;
      break;
    }
    p[n++] = c;
    // Same test as AddLineChar: a tag can only end at the added character.
    if (n >= 3 && p[n - 3] == u'E' && IsTagTail(p[n - 2], c)) {
      n -= 3;
    }
  }
  line.resize(n);
  return kept;
}

Text YearPatch(const Text& line, const Text& nowYear) {
  Text patched = line;
  PatchYear(patched, nowYear);
  return patched;
}

}  // namespace th
