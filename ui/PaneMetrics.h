#pragma once
// What a text pane knows of its lines' widths, the same in both windows. Every
// byte has one fixed advance (the window measures its font), so a line's width
// is the sum of its bytes' advances: an append is measured without the toolkit,
// and a line is measured only once. `Advance` is the toolkit's unit for one
// character, `Width` one large enough for the longest line.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "platform/LineList.h"

namespace th {

// Left text margin, as an edit control keeps.
inline constexpr int kPaneTextMargin = 2;

// The character a byte shows as: control characters show as blanks, so that
// every byte has one fixed advance.
constexpr char16_t PaneChar(unsigned char byte) {
  if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
    return u' ';
  }
  return static_cast<char16_t>(byte);
}

template <typename Advance, typename Width>
class PaneMetrics {
 public:
  // The bytes [begin, end) of a line that show in the view, the first of them
  // at x.
  struct Run {
    std::size_t begin;
    std::size_t end;
    Width x;
  };

  using Advances = std::array<Advance, 256>;

  Advance advance(unsigned char byte) const { return advance_[byte]; }
  // A new font, a byte's advance by its number: every line is measured again.
  void setAdvances(const Advances& advances) {
    advance_ = advances;
    reset();
  }

  Width widthOf(std::string_view line) const {
    Width width = 0;
    for (const char c : line) {
      width += advance_[static_cast<unsigned char>(c)];
    }
    return width;
  }
  // The widest line measured.
  Width widest() const { return widest_; }

  // The lines from `first` on are new.
  void measure(const LineList& lines, std::size_t first) {
    measured_ = std::min(measured_, first);
    for (; measured_ < lines.count(); ++measured_) {
      widest_ = std::max(widest_, widthOf(lines.raw(measured_)));
    }
  }
  // Nothing measured: the list was emptied.
  void reset() {
    widest_ = 0;
    measured_ = 0;
  }

  // The part of `line` in a view `viewWidth` wide, when the line begins at
  // `left` (negative when scrolled sideways): what lies left of the view is
  // skipped, and only what fits is taken.
  Run visible(std::string_view line, Width left, int viewWidth) const {
    Width x = left;
    std::size_t c = 0;
    while (c < line.size()) {
      const Advance w = advance_[static_cast<unsigned char>(line[c])];
      if (x + w > 0) {
        break;
      }
      x += w;
      ++c;
    }
    const std::size_t begin = c;
    for (Width end = x; c < line.size() && end < viewWidth; ++c) {
      end += advance_[static_cast<unsigned char>(line[c])];
    }
    return Run{begin, c, x};
  }

 private:
  Advances advance_{};  // per byte, in pixels
  Width widest_ = 0;
  std::size_t measured_ = 0;  // lines whose width is in widest_
};

}  // namespace th
