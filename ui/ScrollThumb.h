#pragma once
// When a growing scroll range can no longer change how a scroll bar looks.
// Asking the system where the thumb is costs more than drawing the bar (under
// Wine about thirty server calls a question), so a pane that follows a long
// stream stops asking once the answer cannot change.
#include <cstdint>

namespace th {

// The values of a bar whose range starts at 0.
struct ScrollValues {
  std::int64_t max = 0;
  std::int64_t page = 0;
  std::int64_t pos = 0;
  bool operator==(const ScrollValues& other) const = default;
};

// Where the system drew the thumb, in pixels along the bar from its start;
// the bar's length includes its two arrows.
struct ThumbPlace {
  int barLength = 0;
  int arrow = 0;
  int thumbTop = 0;
  int thumbBottom = 0;
  bool operator==(const ThumbPlace& other) const = default;
};

// The last page of the range is in view.
bool AtRangeEnd(const ScrollValues& values);

// `to` only lengthens the range of `from`, with the same page, and both show
// its last page.
bool GrowsAtEnd(const ScrollValues& from, const ScrollValues& to);

// The thumb is drawn longer than its share of the track, so at its smallest,
// and at the track's end while the last page is in view. More range at the
// end then moves and shrinks nothing.
bool ThumbRestsAtEnd(const ThumbPlace& thumb, const ScrollValues& values);

}  // namespace th
