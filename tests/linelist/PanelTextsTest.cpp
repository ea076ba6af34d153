#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/PanelTexts.h"

namespace th {
namespace {

using Shown = std::vector<std::pair<int, Text>>;

Shown Flush(PanelTexts& texts) {
  Shown shown;
  texts.showPending([&shown](int panel, const Text& text) { shown.emplace_back(panel, text); });
  return shown;
}

TEST(PanelTexts, ShowsTheLatestTextOfEachChangedPanelOnce) {
  PanelTexts texts;
  texts.set(2, u"#T01");
  texts.set(2, u"#T02");
  texts.set(0, u"COM3 Open");
  EXPECT_EQ(Flush(texts), (Shown{{0, u"COM3 Open"}, {2, u"#T02"}}));
  EXPECT_EQ(Flush(texts), Shown{});
  EXPECT_EQ(texts.text(2), u"#T02");
}

TEST(PanelTexts, TheSameTextAgainIsNoChange) {
  PanelTexts texts;
  texts.set(1, u"Fread A-3[sec]");
  Flush(texts);
  texts.set(1, u"Fread A-3[sec]");
  EXPECT_EQ(Flush(texts), Shown{});
  // Back to a text shown earlier, after another one: shown again.
  texts.set(1, u"Fread A-4[sec]");
  texts.set(1, u"Fread A-3[sec]");
  EXPECT_EQ(Flush(texts), (Shown{{1, u"Fread A-3[sec]"}}));
  // An empty panel set to empty stays as it is.
  texts.set(3, u"");
  EXPECT_EQ(Flush(texts), Shown{});
}

}  // namespace
}  // namespace th
