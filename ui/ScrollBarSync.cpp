#include "ui/ScrollBarSync.h"

namespace th {

void ScrollBarSync::show(const ScrollValues& values) {
  if (!shown_) {
    bar_.set(values, true);
    shown_ = values;
    return;
  }
  if (*shown_ == values) {
    return;
  }
  const ScrollValues from = *shown_;
  shown_ = values;
  // A long stream moves the values every second but, once the thumb is at its
  // smallest and follows the end, not what the bar shows.
  if (followsEnd_) {
    if (thumbSettled_ && GrowsAtEnd(from, values)) {
      bar_.set(values, false);
      return;
    }
    thumbSettled_ = false;
  }
  const std::optional<ScrollBarLook> before = bar_.look();
  bar_.set(values, false);
  const std::optional<ScrollBarLook> after = bar_.look();
  if (followsEnd_ && after) {
    thumbSettled_ = ThumbRestsAtEnd(after->thumb, values);
  }
  if (before && after && *before == *after) {
    return;
  }
  // The bar draws itself when its values change, so it goes back for a moment.
  bar_.set(from, false);
  bar_.set(values, true);
}

}  // namespace th
