#include "ui/window/LinePane.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace th {

namespace {

constexpr int kMargin = 2;  // left text margin, as an edit control keeps

// Control characters show as blanks, so that every byte has one fixed advance.
QChar displayChar(unsigned char byte) {
  if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
    return QLatin1Char(' ');
  }
  return QChar(static_cast<char16_t>(byte));
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
  for (int b = 0; b < 256; ++b) {
    advance_[static_cast<std::size_t>(b)] =
        fm.horizontalAdvance(displayChar(static_cast<unsigned char>(b)));
  }
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(fm.height())));
  ascent_ = fm.ascent();
  widest_ = 0;
  measured_ = 0;
}

double LinePane::widthOf(std::string_view line) const {
  double width = 0;
  for (const char c : line) {
    width += advance_[static_cast<unsigned char>(c)];
  }
  return width;
}

void LinePane::linesAppended(const LineList& /*list*/, std::size_t first) {
  if (first < measured_) {
    measured_ = first;
  }
  for (; measured_ < lines_.count(); ++measured_) {
    widest_ = std::max(widest_, widthOf(lines_.raw(measured_)));
  }
  scheduleRefresh();
}

void LinePane::linesCleared(const LineList& /*list*/) {
  widest_ = 0;
  measured_ = 0;
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
  const double range = std::min(widest_ + 2 * kMargin - width, 1e9);
  h->setRange(0, std::max(0, static_cast<int>(std::ceil(range))));
  h->setPageStep(std::max(1, width));
  h->setSingleStep(std::max(1, static_cast<int>(advance_['x'])));
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
    // Skip what lies left of the view, then draw only what fits in it.
    double x = kMargin - xOffset;
    std::size_t c = 0;
    while (c < line.size()) {
      const double w = advance_[static_cast<unsigned char>(line[c])];
      if (x + w > 0) {
        break;
      }
      x += w;
      ++c;
    }
    text.clear();
    double end = x;
    for (; c < line.size() && end < width; ++c) {
      const auto byte = static_cast<unsigned char>(line[c]);
      text.append(displayChar(byte));
      end += advance_[byte];
    }
    if (!text.isEmpty()) {
      p.drawText(QPointF(x, y + ascent_), text);
    }
  }
}

}  // namespace th
