#pragma once
// Brings one scroll bar to new values with as few redraws as the system
// allows. The system draws a bar whenever its values change, and a drawn bar
// costs far more than the lines beside it (under Wine some sixty server
// calls), so a change is drawn only when the thumb or an arrow would look
// different.
#include <array>
#include <cstdint>
#include <optional>

#include "ui/ScrollThumb.h"

namespace th {

// The bar itself and its five parts (arrows, page areas, thumb).
inline constexpr int kScrollBarParts = 6;

// What a scroll bar shows: its thumb and the state of each part.
struct ScrollBarLook {
  ThumbPlace thumb;
  std::array<std::uint32_t, kScrollBarParts> states{};
  bool operator==(const ScrollBarLook& other) const = default;
};

// A scroll bar as the system keeps it.
class ScrollBar {
 public:
  virtual ~ScrollBar() = default;
  // The bar holds `values`; it draws itself only when `redraw`.
  virtual void set(const ScrollValues& values, bool redraw) = 0;
  // How the bar looks now, if the system can say.
  virtual std::optional<ScrollBarLook> look() const = 0;
};

class ScrollBarSync {
 public:
  // With `followsEnd`, a bar whose thumb rests at its smallest at the end of
  // the track takes more range at the end without being asked how it looks:
  // the answer costs more than drawing the bar and cannot change.
  ScrollBarSync(ScrollBar& bar, bool followsEnd) : bar_(bar), followsEnd_(followsEnd) {}

  // The bar holds `values` when this returns.
  void show(const ScrollValues& values);
  // The bar holds `values` already.
  bool holds(const ScrollValues& values) const { return shown_ == values; }
  bool shownOnce() const { return shown_.has_value(); }
  bool thumbSettled() const { return thumbSettled_; }

 private:
  ScrollBar& bar_;
  bool followsEnd_;
  std::optional<ScrollValues> shown_;
  bool thumbSettled_ = false;
};

}  // namespace th
