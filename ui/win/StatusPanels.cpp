#include "ui/win/StatusPanels.h"

#include <array>
#include <stdexcept>
#include <vector>

#include "platform/win/WinText.h"
#include "ui/win/ClassicLook.h"
#include "ui/win/WinControls.h"

namespace th {

StatusPanels::StatusPanels(HWND host, HFONT font, const LayoutScale& scale, PaintSchedule& schedule)
    : height_(scale.px(kStatusBarHeight)), throttle_(schedule, kFlushMs, [this] { flush(); }) {
  // Placed by hand, not by the control: the bar keeps its 19 pixels whatever
  // the font, and the window may still be made narrower than the parts.
  bar_ = ::CreateWindowExW(
      0, STATUSCLASSNAMEW, L"",
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0,
      0, 0, 0, host, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (bar_ == nullptr) {
    throw std::runtime_error("status bar: CreateWindowExW failed");
  }
  KeepClassicLook(bar_);
  ::SendMessageW(bar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  std::array<int, kPanelCount> edges{};
  for (int i = 0; i < kPanelCount; ++i) {
    edges.at(static_cast<std::size_t>(i)) = scale.px(StatusPanelRight(i));
  }
  ::SendMessageW(bar_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

StatusPanels::~StatusPanels() {
  ::DestroyWindow(bar_);
}

void StatusPanels::place(int clientWidth, int clientHeight) {
  ::MoveWindow(bar_, 0, clientHeight - height_, clientWidth, height_, TRUE);
}

void StatusPanels::setText(int i, const Text& text) {
  texts_.set(i, text);
  if (throttle_.dueOrLater()) {
    flush();
  }
}

void StatusPanels::flush() {
  throttle_.shown();
  texts_.showPending([this](int i, const Text& text) {
    const std::wstring wide = win::WideFromText(text);
    ::SendMessageW(bar_, SB_SETTEXTW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(wide.c_str()));
  });
}

Text StatusPanels::shownText(int i) const {
  const auto length = LOWORD(::SendMessageW(bar_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(i), 0));
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  ::SendMessageW(bar_, SB_GETTEXTW, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(buffer.data()));
  return win::TextFromWide(std::wstring_view(buffer.data(), length));
}

}  // namespace th
