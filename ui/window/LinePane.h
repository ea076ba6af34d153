#pragma once
// A read-only text pane over a core line list. It paints only the lines in
// view, straight from the list's bytes (one byte per character), so hundreds of
// thousands of lines cost no copy and an append costs a few additions. Lines
// never wrap: the pane scrolls sideways instead.
#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <cstddef>

#include "platform/LineList.h"
#include "ui/PaneMetrics.h"

namespace th {

class LinePane : public QAbstractScrollArea, public LineListObserver {
  Q_OBJECT

 public:
  explicit LinePane(LineList& lines, QWidget* parent = nullptr);
  ~LinePane() override;
  LinePane(const LinePane&) = delete;
  LinePane& operator=(const LinePane&) = delete;

  const LineList& lines() const { return lines_; }
  // Width in pixels of the widest line, as laid out by this pane.
  int contentWidth() const { return static_cast<int>(std::ceil(metrics_.widest())); }
  int lineHeight() const { return lineHeight_; }
  // Appends show at most every kRefreshMs; true while one is due.
  bool refreshPending() const { return refreshPending_; }
  static constexpr int kRefreshMs = 40;

  void linesAppended(const LineList& list, std::size_t first) override;
  void linesCleared(const LineList& list) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void measureFont();
  void scheduleRefresh();
  void refresh();

  LineList& lines_;
  PaneMetrics<double, double> metrics_;
  int lineHeight_ = 13;
  double ascent_ = 10;
  bool refreshPending_ = false;
  QTimer refreshTimer_;
  QElapsedTimer sinceRefresh_;
  bool followEnd_ = true;  // keep the last line in view while lines arrive
};

}  // namespace th
