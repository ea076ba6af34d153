#include "ui/ScrollThumb.h"

namespace th {

bool AtRangeEnd(const ScrollValues& values) {
  return values.page > 0 && values.pos + values.page >= values.max + 1;
}

bool GrowsAtEnd(const ScrollValues& from, const ScrollValues& to) {
  return to.page == from.page && to.max >= from.max && AtRangeEnd(from) && AtRangeEnd(to);
}

bool ThumbRestsAtEnd(const ThumbPlace& thumb, const ScrollValues& values) {
  const std::int64_t track = std::int64_t{thumb.barLength} - 2 * std::int64_t{thumb.arrow};
  const std::int64_t range = values.max + 1;
  // A range that fits the page has no moving thumb; a bar without a track
  // has no thumb at all.
  if (track <= 0 || values.page <= 0 || range <= values.page || !AtRangeEnd(values)) {
    return false;
  }
  const std::int64_t share = track * values.page / range;
  const std::int64_t drawn = std::int64_t{thumb.thumbBottom} - thumb.thumbTop;
  const std::int64_t trackEnd = std::int64_t{thumb.barLength} - thumb.arrow;
  // One pixel of slack on each: systems round the share differently.
  return drawn > share + 1 && thumb.thumbBottom >= trackEnd - 1;
}

}  // namespace th
