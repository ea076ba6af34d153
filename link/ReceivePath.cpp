#include "link/ReceivePath.h"

#include "app/Tidehaul.h"

namespace th {

namespace {

// Removes every occurrence of `tag`, left to right in one pass.
void RemoveAll(Text& s, std::u16string_view tag) {
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

// The year patch: a two-digit year "08" from a logger whose clock lost its
// century is replaced by the current year.
Text YearPatch(const Text& line, const Text& nowYear) {
  auto at = [&](std::size_t pos, std::u16string_view what) {
    return line.size() >= pos + what.size() && std::u16string_view(line).substr(pos, 2) == what;
  };
  if (Contains(line, u"Time Read") && at(10, u"08")) return line.substr(0, 10) + nowYear + line.substr(12);
  if (Contains(line, u"Time Set") && at(9, u"08")) return line.substr(0, 9) + nowYear + line.substr(11);
  if (at(0, u"08")) return nowYear + line.substr(2);
  return line;
}

}  // namespace

void ReceivePath::COMPORTRxChar(int Count) {
  RunState& rs = u_.rt.rs;
  Text aMsg;
  u_.rt.port.ReadStr(aMsg, Count);
  rs.FileSize += Count;
  for (const char16_t c : aMsg) {
    if (c == u'\n') continue;
    if (c == u'\r') {
      rs.Buff = YearPatch(rs.BuffTemp, rs.NowYear);
      ComportRXEvent(rs.Buff);
      rs.BuffTemp.clear();
      continue;
    }
    rs.BuffTemp.push_back(c);
    for (const auto tag : {u"E32", u"E21", u"E62", u"E40", u"E00"}) RemoveAll(rs.BuffTemp, tag);
  }
}

void ReceivePath::ComportRXEvent(const Text& AMsg) {
  if (AMsg.empty()) return;
  RunState& rs = u_.rt.rs;
  if (Contains(AsciiUpper(AMsg), u"CARRIER")) rs.Connect_flg = false;
  u_.rt.view.setPanelText(3, AMsg);
  switch (rs.RxTypeIndex) {
    case 0:
      u_.rt.panes.mmoRxTemp.appendText(AMsg);
      break;
    case 1:
      if (Contains(AMsg, u"-")) u_.rt.panes.mmoDown1.appendText(AMsg);
      break;
    case 2:
      if (Contains(AMsg, u"-")) u_.rt.panes.mmoDown2.appendText(AMsg);
      break;
    default:
      break;
  }
}

void ReceivePath::RxTypeMemoClear(std::int32_t nRxTypeIndex) {
  switch (nRxTypeIndex) {
    case 0:
      u_.rt.panes.mmoRxTemp.clear();
      break;
    case 1:
      u_.rt.panes.mmoDown1.clear();
      break;
    case 2:
      u_.rt.panes.mmoDown2.clear();
      break;
    default:
      break;
  }
}

}  // namespace th
