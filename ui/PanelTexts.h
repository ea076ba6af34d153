#pragma once
// The status bar panels' texts, kept the same way by both windows: each
// panel's latest text at once, and which of them the bar has yet to show. A
// fetch writes a panel once per received line; the bar shows the last text of
// a burst, not every one.
#include <array>
#include <cstddef>

#include "ui/WindowLayout.h"

namespace th {

class PanelTexts {
 public:
  // The same text again is no change: a read sets its step text ten times a
  // second, and the bar would repaint each time.
  void set(int panel, const Text& text) {
    const auto n = static_cast<std::size_t>(panel);
    if (texts_.at(n) == text) {
      return;
    }
    texts_.at(n) = text;
    pending_.at(n) = true;
  }
  const Text& text(int panel) const { return texts_.at(static_cast<std::size_t>(panel)); }

  // Hands each text not shown yet to show(panel, text), once.
  template <typename Show>
  void showPending(Show&& show) {
    for (std::size_t n = 0; n < texts_.size(); ++n) {
      if (pending_.at(n)) {
        pending_.at(n) = false;
        show(static_cast<int>(n), texts_.at(n));
      }
    }
  }

 private:
  std::array<Text, kPanelCount> texts_{};
  std::array<bool, kPanelCount> pending_{};
};

}  // namespace th
