#pragma once
// StatusBar1: four panels of fixed width from the left, as the window's
// layout has them. The panels are placed by hand, not by the status bar's
// layout, so the window can be made narrower than the panels are wide.
#include <QLabel>
#include <QStatusBar>
#include <array>

#include "platform/View.h"
#include "ui/PanelTexts.h"
#include "ui/WindowLayout.h"

namespace th {

class StatusPanels : public QStatusBar {
  Q_OBJECT

 public:
  // Texts written faster than this are shown as the last of them.
  static constexpr int kFlushMs = 50;

  explicit StatusPanels(double scale, QWidget* parent = nullptr);
  QLabel* panel(int i) const { return panels_.at(static_cast<std::size_t>(i)); }

  // The text is the panel's at once; the label shows it within kFlushMs. A fetch writes panel 3
  // once per received line, and a label update per line (layout, shaping, accessibility) would cost
  // more than the whole receive path.
  void setText(int i, const Text& text);
  const Text& text(int i) const { return texts_.text(i); }
  // Shows every pending text now.
  void flush();

 private:
  std::array<QLabel*, kPanelCount> panels_{};
  PanelTexts texts_;
  bool flushPending_ = false;
};

}  // namespace th
