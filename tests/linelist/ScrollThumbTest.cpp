// When more range at the end can no longer change a scroll bar's look.
#include <gtest/gtest.h>

#include "ui/ScrollThumb.h"

namespace th {
namespace {

// A vertical bar of 200 pixels with arrows of 17: a track of 166.
constexpr int kBar = 200;
constexpr int kArrow = 17;

ThumbPlace Thumb(int top, int bottom) {
  return ThumbPlace{kBar, kArrow, top, bottom};
}

TEST(ScrollThumb, GrowthCountsOnlyWithTheLastPageInViewBeforeAndAfter) {
  const ScrollValues end{99, 10, 90};
  EXPECT_TRUE(AtRangeEnd(end));
  EXPECT_TRUE(GrowsAtEnd(end, ScrollValues{149, 10, 140}));
  EXPECT_TRUE(GrowsAtEnd(end, end));
  // A reader who scrolled away, a new page size, a cleared list.
  EXPECT_FALSE(GrowsAtEnd(ScrollValues{99, 10, 0}, ScrollValues{149, 10, 140}));
  EXPECT_FALSE(GrowsAtEnd(end, ScrollValues{149, 10, 0}));
  EXPECT_FALSE(GrowsAtEnd(end, ScrollValues{149, 12, 138}));
  EXPECT_FALSE(GrowsAtEnd(end, ScrollValues{0, 10, 0}));
  EXPECT_FALSE(AtRangeEnd(ScrollValues{99, 0, 99}));
}

TEST(ScrollThumb, RestsOnlyWhenDrawnAtItsSmallestAtTheTrackEnd) {
  // 10 of 10,000 lines: a share of 0 pixels, drawn at a minimum of 8.
  const ScrollValues many{9999, 10, 9990};
  EXPECT_TRUE(ThumbRestsAtEnd(Thumb(kBar - kArrow - 8, kBar - kArrow), many));
  // 10 of 100 lines: a share of 16 pixels, drawn as such, shrinks with more lines.
  const ScrollValues few{99, 10, 90};
  EXPECT_FALSE(ThumbRestsAtEnd(Thumb(kBar - kArrow - 16, kBar - kArrow), few));
  EXPECT_FALSE(ThumbRestsAtEnd(Thumb(kBar - kArrow - 17, kBar - kArrow), few));
  // Not at the end of the track, or not at the end of the range.
  EXPECT_FALSE(ThumbRestsAtEnd(Thumb(kArrow, kArrow + 8), many));
  EXPECT_FALSE(ThumbRestsAtEnd(Thumb(kBar - kArrow - 8, kBar - kArrow), ScrollValues{9999, 10, 0}));
}

TEST(ScrollThumb, NoThumbToRestWithoutATrackOrARangeBeyondThePage) {
  EXPECT_FALSE(ThumbRestsAtEnd(ThumbPlace{30, 17, 0, 0}, ScrollValues{9999, 10, 9990}));
  EXPECT_FALSE(ThumbRestsAtEnd(Thumb(kArrow, kBar - kArrow), ScrollValues{9, 10, 0}));
  // Huge ranges do not overflow the share.
  EXPECT_TRUE(ThumbRestsAtEnd(Thumb(kBar - kArrow - 8, kBar - kArrow),
                              ScrollValues{0x7FFFFFFE, 10, 0x7FFFFFF5}));
}

}  // namespace
}  // namespace th
