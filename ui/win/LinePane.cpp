#include "ui/win/LinePane.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/win/WinControls.h"

namespace th {

namespace {

constexpr wchar_t kClassName[] = L"TidehaulLinePane";
constexpr int kWheelLines = 3;

wchar_t DisplayChar(unsigned char byte) {
  return static_cast<wchar_t>(PaneChar(byte));
}

HWND MakePaneWindow(HWND parent, const RECT& place) {
  WNDCLASSEXW windowClass{};
  windowClass.style = CS_DBLCLKS;
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_IBEAM);
  windowClass.lpszClassName = kClassName;
  RegisterHandledClass(windowClass, "line pane");
  HWND window = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, kClassName, L"",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS, place.left,
      place.top, place.right - place.left, place.bottom - place.top, parent, nullptr,
      ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    throw std::runtime_error("line pane: CreateWindowExW failed");
  }
  return window;
}

}  // namespace

LinePane::LinePane(LineList& lines, HWND parent, HFONT font, const RECT& place,
                   PaintSchedule& schedule)
    : lines_(lines),
      window_(MakePaneWindow(parent, place)),
      font_(font),
      refreshThrottle_(schedule, kRefreshMs, [this] { refresh(false); }),
      bars_(window_, schedule, [this] { return wantedBars(); }) {
  attach(window_);
  measureFont();
  lines_.setObserver(this);
  metrics_.measure(lines_, 0);
  refresh(true);
}

LinePane::~LinePane() {
  lines_.setObserver(nullptr);
  detach(window_);
  ::DestroyWindow(window_);
}

LRESULT LinePane::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint fills every pixel itself
    case WM_SIZE:
      refresh(true);
      return 0;
    case WM_VSCROLL:
      onVerticalScroll(LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      onHorizontalScroll(LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL: {
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      const auto step = static_cast<std::int64_t>(notches) * kWheelLines;
      const auto target = static_cast<std::int64_t>(top_) - step;
      scrollTo(static_cast<std::size_t>(std::max<std::int64_t>(0, target)));
      return 0;
    }
    case WM_LBUTTONDOWN:
      ::SetFocus(window_);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (onKey(wParam)) {
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

void LinePane::measureFont() {
  HDC dc = ::GetDC(window_);
  HGDIOBJ old = ::SelectObject(dc, font_);
  std::array<INT, 256> widths{};
  ::GetCharWidth32W(dc, 0, 255, widths.data());
  PaneMetrics<int, std::int64_t>::Advances advances{};
  for (std::size_t b = 0; b < advances.size(); ++b) {
    const auto display = static_cast<std::size_t>(DisplayChar(static_cast<unsigned char>(b)));
    advances.at(b) = std::max(1, widths.at(display));
  }
  metrics_.setAdvances(advances);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  lineHeight_ = std::max(1, static_cast<int>(metrics.tmHeight));
  ::SelectObject(dc, old);
  ::ReleaseDC(window_, dc);
}

void LinePane::linesAppended(const LineList& /*list*/, std::size_t first) {
  metrics_.measure(lines_, first);
  scheduleRefresh();
}

void LinePane::linesCleared(const LineList& /*list*/) {
  metrics_.reset();
  top_ = 0;
  xOffset_ = 0;
  followEnd_ = true;
  scheduleRefresh();
}

void LinePane::scheduleRefresh() {
  // A stream of lines repaints the pane at most every kRefreshMs instead of at
  // every append. The refresh is made here when it is due, not only by the
  // schedule: a loop busy with messages seldom waits, and the schedule shows
  // changes only before a wait.
  if (refreshThrottle_.dueOrLater()) {
    refresh(false);
  }
}

int LinePane::visibleLines() const {
  RECT client{};
  ::GetClientRect(window_, &client);
  return std::max(1, static_cast<int>(client.bottom) / lineHeight_);
}

std::size_t LinePane::lastTop() const {
  const auto visible = static_cast<std::size_t>(visibleLines());
  return lines_.count() > visible ? lines_.count() - visible : 0;
}

void LinePane::refresh(bool barsNow) {
  refreshThrottle_.shown();
  const std::size_t maxTop = lastTop();
  if (followEnd_ || top_ > maxTop) {
    top_ = maxTop;
  }
  RECT client{};
  ::GetClientRect(window_, &client);
  xOffset_ = std::clamp(xOffset_, 0, std::max(0, paddedWidth() - static_cast<int>(client.right)));
  ::InvalidateRect(window_, nullptr, FALSE);
  bars_.update(barsNow);
}

int LinePane::paddedWidth() const {
  return static_cast<int>(
      std::min<std::int64_t>(metrics_.widest() + std::int64_t{2} * kPaneTextMargin, 1 << 30));
}

PaneScrollBars::Values LinePane::wantedBars() const {
  const auto limit = static_cast<std::size_t>(0x7FFFFFFE);
  PaneScrollBars::Values bars;
  bars.vertical.max = std::max(0, static_cast<int>(std::min(lines_.count(), limit)) - 1);
  bars.vertical.page = visibleLines();
  bars.vertical.pos = static_cast<int>(std::min(top_, limit));
  RECT client{};
  ::GetClientRect(window_, &client);
  bars.horizontal.max = std::max(0, paddedWidth() - 1);
  bars.horizontal.page = std::max<LONG>(1, client.right);
  bars.horizontal.pos = xOffset_;
  return bars;
}

void LinePane::paint() {
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(window_, &ps);
  ::FillRect(dc, &ps.rcPaint, ::GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ old = ::SelectObject(dc, font_);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  RECT client{};
  ::GetClientRect(window_, &client);
  const int width = client.right;
  const int firstRow = std::max(0, static_cast<int>(ps.rcPaint.top) / lineHeight_);
  const int endRow = static_cast<int>(ps.rcPaint.bottom) / lineHeight_ + 1;
  std::vector<wchar_t> text;
  std::vector<INT> advances;
  for (int row = firstRow; row < endRow; ++row) {
    const std::size_t i = top_ + static_cast<std::size_t>(row);
    if (i >= lines_.count()) {
      break;
    }
    const std::string_view line = lines_.raw(i);
    const auto run = metrics_.visible(line, kPaneTextMargin - std::int64_t{xOffset_}, width);
    text.clear();
    advances.clear();
    for (std::size_t c = run.begin; c < run.end; ++c) {
      const auto byte = static_cast<unsigned char>(line[c]);
      text.push_back(DisplayChar(byte));
      advances.push_back(metrics_.advance(byte));
    }
    if (!text.empty()) {
      ::ExtTextOutW(dc, static_cast<int>(run.x), row * lineHeight_, 0, nullptr, text.data(),
                    static_cast<UINT>(text.size()), advances.data());
    }
  }
  ::SelectObject(dc, old);
  ::EndPaint(window_, &ps);
}

void LinePane::scrollTo(std::size_t top) {
  const std::size_t maxTop = lastTop();
  top_ = std::min(top, maxTop);
  followEnd_ = top_ >= maxTop;
  refresh(true);
}

void LinePane::scrollSideways(int offset) {
  xOffset_ = std::max(0, offset);
  refresh(true);
}

void LinePane::onVerticalScroll(int code) {
  const auto page = static_cast<std::size_t>(visibleLines());
  switch (code) {
    case SB_LINEUP:
      scrollTo(top_ > 0 ? top_ - 1 : 0);
      break;
    case SB_LINEDOWN:
      scrollTo(top_ + 1);
      break;
    case SB_PAGEUP:
      scrollTo(top_ > page ? top_ - page : 0);
      break;
    case SB_PAGEDOWN:
      scrollTo(top_ + page);
      break;
    case SB_TOP:
      scrollTo(0);
      break;
    case SB_BOTTOM:
      scrollTo(lastTop());
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      scrollTo(static_cast<std::size_t>(std::max(0, bars_.trackPosition(SB_VERT))));
      break;
    default:
      break;
  }
}

void LinePane::onHorizontalScroll(int code) {
  RECT client{};
  ::GetClientRect(window_, &client);
  const int step = std::max(1, metrics_.advance('x'));
  switch (code) {
    case SB_LINELEFT:
      scrollSideways(xOffset_ - step);
      break;
    case SB_LINERIGHT:
      scrollSideways(xOffset_ + step);
      break;
    case SB_PAGELEFT:
      scrollSideways(xOffset_ - static_cast<int>(client.right));
      break;
    case SB_PAGERIGHT:
      scrollSideways(xOffset_ + static_cast<int>(client.right));
      break;
    case SB_LEFT:
      scrollSideways(0);
      break;
    case SB_RIGHT:
      scrollSideways(1 << 30);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      scrollSideways(bars_.trackPosition(SB_HORZ));
      break;
    default:
      break;
  }
}

bool LinePane::onKey(WPARAM key) {
  const std::pair<WPARAM, int> keys[] = {{VK_UP, SB_LINEUP},    {VK_DOWN, SB_LINEDOWN},
                                         {VK_PRIOR, SB_PAGEUP}, {VK_NEXT, SB_PAGEDOWN},
                                         {VK_HOME, SB_TOP},     {VK_END, SB_BOTTOM}};
  for (const auto& [k, code] : keys) {
    if (k == key) {
      onVerticalScroll(code);
      return true;
    }
  }
  if (key == VK_LEFT || key == VK_RIGHT) {
    onHorizontalScroll(key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT);
    return true;
  }
  return false;
}

}  // namespace th
