// A scroll bar brought to new values: drawn only when it would look different,
// and not asked how it looks once more range at the end cannot change that.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/ScrollBarSync.h"

namespace th {
namespace {

// A vertical bar of 200 pixels with arrows of 17, drawing its thumb at its
// share of the track but at least 8 pixels long. It logs what it is asked.
class ModelBar : public ScrollBar {
 public:
  void set(const ScrollValues& values, bool redraw) override {
    held = values;
    log += (redraw ? "draw " : "set ") + std::to_string(values.max) + "," +
           std::to_string(values.pos) + " ";
  }
  std::optional<ScrollBarLook> look() const override {
    log += "look ";
    if (blind) {
      return std::nullopt;
    }
    const std::int64_t track = 200 - 2 * 17;
    const std::int64_t range = held.max + 1;
    ScrollBarLook look;
    look.thumb = ThumbPlace{200, 17, 17, 200 - 17};
    if (range > held.page) {
      const std::int64_t thumb = std::max<std::int64_t>(8, track * held.page / range);
      const std::int64_t top = 17 + (track - thumb) * held.pos / (range - held.page);
      look.thumb.thumbTop = static_cast<int>(top);
      look.thumb.thumbBottom = static_cast<int>(top + thumb);
    }
    return look;
  }

  ScrollValues held;
  bool blind = false;  // the system cannot say how the bar looks
  mutable std::string log;
};

struct Case {
  const char* what;
  std::vector<ScrollValues> before;  // shown first, in order
  ScrollValues next;
  bool blind;
  const char* calls;
  bool settled;
};

TEST(ScrollBarSync, AsksOnlyWhatCanChangeAndDrawsOnlyWhatLooksDifferent) {
  const Case cases[] = {
      {"the first values are drawn at once", {}, {99, 10, 90}, false, "draw 99,90 ", false},
      {"the same values again", {{99, 10, 90}}, {99, 10, 90}, false, "", false},
      {"a thumb that moves is drawn once at its new place",
       {{99, 10, 0}},
       {99, 10, 90},
       false,
       "look set 99,90 look set 99,0 draw 99,90 ",
       false},
      {"a thumb that keeps its pixels is not drawn",
       {{9999, 10, 0}},
       {9999, 10, 1},
       false,
       "look set 9999,1 look ",
       false},
      {"a bar that cannot say how it looks is drawn",
       {{9999, 10, 0}},
       {9999, 10, 1},
       true,
       "look set 9999,1 look set 9999,0 draw 9999,1 ",
       false},
      {"a thumb at its smallest at the end settles",
       {{99, 10, 90}},
       {9999, 10, 9990},
       false,
       "look set 9999,9990 look set 99,90 draw 9999,9990 ",
       true},
      {"a settled thumb takes more lines at the end without a question",
       {{99, 10, 90}, {9999, 10, 9990}},
       {19999, 10, 19990},
       false,
       "set 19999,19990 ",
       true},
      {"a reader who scrolls away unsettles it",
       {{99, 10, 90}, {9999, 10, 9990}},
       {9999, 10, 0},
       false,
       "look set 9999,0 look set 9999,9990 draw 9999,0 ",
       false},
  };
  for (const Case& c : cases) {
    ModelBar bar;
    ScrollBarSync sync(bar, true);
    for (const ScrollValues& v : c.before) {
      sync.show(v);
    }
    bar.log.clear();
    bar.blind = c.blind;
    sync.show(c.next);
    EXPECT_EQ(bar.log, c.calls) << c.what;
    EXPECT_EQ(bar.held, c.next) << c.what;
    EXPECT_TRUE(sync.holds(c.next)) << c.what;
    EXPECT_EQ(sync.thumbSettled(), c.settled) << c.what;
  }
}

TEST(ScrollBarSync, ABarThatDoesNotFollowTheEndAlwaysAsks) {
  ModelBar bar;
  ScrollBarSync sync(bar, false);
  sync.show({99, 10, 90});
  sync.show({9999, 10, 9990});
  EXPECT_FALSE(sync.thumbSettled());
  bar.log.clear();
  sync.show({19999, 10, 19990});
  EXPECT_EQ(bar.log, "look set 19999,19990 look ");
}

}  // namespace
}  // namespace th
