#include "ui/window/LinePane.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <string_view>

namespace th {

namespace {

QChar DisplayChar(unsigned char byte) {
  return QChar(PaneChar(byte));
}

}  // namespace

LinePane::LinePane(LineList& lines, QWidget* parent) : QAbstractScrollArea(parent), lines_(lines) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  refreshTimer_.setSingleShot(true);
  connect(&refreshTimer_, &QTimer::timeout, this, &LinePane::refresh);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { followEnd_ = value >= verticalScrollBar()->maximum(); });
  measureFont();
  lines_.setObserver(this);
  linesAppended(lines_, 0);
}

LinePane::~LinePane() {
  lines_.setObserver(nullptr);
}

void LinePane::measureFont() {
  // Shaping off: a line's width is then exactly the sum of its characters'
  // advances, which is what lets an append be measured without Qt.
  QFont f = font();
  f.setKerning(false);
  f.setStyleStrategy(QFont::PreferNoShaping);
  viewport()->setFont(f);
  const QFontMetricsF fm(f);
  PaneMetrics<double, double>::Advances advances{};
  for (std::size_t b = 0; b < advances.size(); ++b) {
    advances.at(b) = fm.horizontalAdvance(DisplayChar(static_cast<unsigned char>(b)));
  }
  metrics_.setAdvances(advances);
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(fm.height())));
  ascent_ = fm.ascent();
}

void LinePane::linesAppended(const LineList& /*list*/, std::size_t first) {
  metrics_.measure(lines_, first);
  scheduleRefresh();
}

void LinePane::linesCleared(const LineList& /*list*/) {
  metrics_.reset();
  followEnd_ = true;
  scheduleRefresh();
}

void LinePane::scheduleRefresh() {
  // Many appends cost one refresh, and a stream of lines repaints the pane at
  // most every kRefreshMs instead of at every turn of the event loop.
  if (refreshPending_) {
    return;
  }
  refreshPending_ = true;
  const qint64 since = sinceRefresh_.isValid() ? sinceRefresh_.elapsed() : kRefreshMs;
  refreshTimer_.start(static_cast<int>(std::max<qint64>(0, kRefreshMs - since)));
}

void LinePane::refresh() {
  refreshPending_ = false;
  refreshTimer_.stop();
  sinceRefresh_.start();
  const int visible = std::max(1, viewport()->height() / lineHeight_);
  const int count = static_cast<int>(std::min<std::size_t>(lines_.count(), 0x7FFFFFFF));
  const bool follow = followEnd_;
  QScrollBar* v = verticalScrollBar();
  v->setRange(0, std::max(0, count - visible));
  v->setPageStep(visible);
  v->setSingleStep(1);
  if (follow) {
    v->setValue(v->maximum());
  }
  followEnd_ = follow || v->value() >= v->maximum();
  QScrollBar* h = horizontalScrollBar();
  const int width = viewport()->width();
  // Beyond about a billion pixels the bar stops; no line read off a logger gets there.
  const double range = std::min(metrics_.widest() + 2 * kPaneTextMargin - width, 1e9);
  h->setRange(0, std::max(0, static_cast<int>(std::ceil(range))));
  h->setPageStep(std::max(1, width));
  h->setSingleStep(std::max(1, static_cast<int>(metrics_.advance('x'))));
  viewport()->update();
}

void LinePane::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  refresh();
}

void LinePane::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    measureFont();
    linesAppended(lines_, 0);
  }
}

void LinePane::scrollContentsBy(int /*dx*/, int /*dy*/) {
  viewport()->update();
}

void LinePane::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(viewport());
  p.setPen(palette().color(QPalette::Text));
  const int height = viewport()->height();
  const int width = viewport()->width();
  const int xOffset = horizontalScrollBar()->value();
  const std::size_t first = static_cast<std::size_t>(verticalScrollBar()->value());
  QString text;
  int y = 0;
  for (std::size_t i = first; i < lines_.count() && y < height; ++i, y += lineHeight_) {
    const std::string_view line = lines_.raw(i);
    const auto run = metrics_.visible(line, kPaneTextMargin - xOffset, width);
    text.clear();
    for (std::size_t c = run.begin; c < run.end; ++c) {
      text.append(DisplayChar(static_cast<unsigned char>(line[c])));
    }
    if (!text.isEmpty()) {
      p.drawText(QPointF(run.x, y + ascent_), text);
    }
  }
}

}  // namespace th
