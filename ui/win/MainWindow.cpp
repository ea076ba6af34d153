#include "ui/win/MainWindow.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/win/WinText.h"
#include "ui/win/LinePane.h"
#include "ui/win/ProgressDisplay.h"
#include "ui/win/SettingsArea.h"
#include "ui/win/StatusPanels.h"
#include "ui/win/WinControls.h"

namespace th {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_APPWINDOW;  // its own taskbar button

void RegisterWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = MainWindow::kClassName.data();
  RegisterHandledClass(windowClass, "main window");
}

Text WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, got)));
  return win::TextFromWide(text);
}

}  // namespace

ControlMessage CopyDataFromMessage(LPARAM lParam) {
  ControlMessage data;
  const auto* message = FromInteger<const COPYDATASTRUCT*>(lParam);
  if (message == nullptr) {
    return data;
  }
  data.tag = static_cast<std::uint64_t>(message->dwData);
  if (message->lpData != nullptr) {
    data.size = static_cast<std::uint32_t>(message->cbData);
    data.data = static_cast<const std::uint8_t*>(message->lpData);
  }
  return data;
}

MainWindow::MainWindow(Panes& panes, WinEventLoop& loop)
    : loop_(loop), scale_(LayoutScale::ofScreen()) {
  RegisterWindowClass();
  font_ = MakeWindowFont(scale_);
  nameFont_ = MakeNameFont(scale_);
  // The client area is 672 x 462 layout pixels; the system places the window.
  RECT outer{0, 0, scale_.px(kClientWidth), scale_.px(kClientHeight)};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  window_ = ::CreateWindowExW(kExStyle, kClassName.data(), kTitle.data(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                              nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window_ == nullptr) {
    throw std::runtime_error("main window: CreateWindowExW failed");
  }
  ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  settings_ = std::make_unique<SettingsArea>(window_, font_, nameFont_, scale_);
  settings_->setOnStart([this] { requestStart(); });
  progress_ = std::make_unique<ProgressDisplay>(settings_->PBar_Connect, schedule_);
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    const PanePlace& pane = kPanePlaces.at(i);
    panes_.at(i) =
        std::make_unique<LinePane>(panes.*pane.lines, window_, font_, place(pane.box), schedule_);
  }
  status_ = std::make_unique<StatusPanels>(window_, font_, scale_, schedule_);
  RECT client{};
  ::GetClientRect(window_, &client);
  status_->place(client.right, client.bottom);
  // The handlers reach the window only once it is complete.
  attach(window_);
  // Pending changes show in a wake-up of the loop that already happens (a
  // batch of bytes, a tick of the logic), not in one of their own.
  loop_.setBeforeWait([this] { return schedule_.showDue(); });
}

MainWindow::~MainWindow() {
  loop_.setBeforeWait({});
  detach(window_);
  for (auto pane = panes_.rbegin(); pane != panes_.rend(); ++pane) {
    pane->reset();
  }
  status_.reset();
  progress_.reset();
  settings_.reset();
  ::DestroyWindow(window_);
  ::DeleteObject(nameFont_);
  ::DeleteObject(font_);
}

RECT MainWindow::place(const LayoutBox& box) const {
  return RECT{scale_.px(box.x), scale_.px(box.y), scale_.px(box.x + box.width),
              scale_.px(box.y + box.height)};
}

HWND MainWindow::element(const std::string& name) const {
  if (name == kWindowName) {
    return window_;
  }
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    if (name == kPanePlaces.at(i).name) {
      return panes_.at(i)->handle();
    }
  }
  if (name == kStatusBarName) {
    return status_->handle();
  }
  return settings_->element(name);
}

void MainWindow::show() {
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::UpdateWindow(window_);
}

void MainWindow::close() {
  ::ShowWindow(window_, SW_HIDE);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA: {
      // Trusted for nothing: the handler reads at most cbData bytes, and
      // whatever happens the sender gets 0.
      const ControlMessage data = CopyDataFromMessage(lParam);
      if (onCopyData_) {
        runGuarded([this, &data] { onCopyData_(data); });
      }
      return 0;
    }
    case WM_CLOSE:
      requestClose();
      close();
      return 0;
    case WM_SIZE:
      status_->place(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SETCURSOR:
      // The busy pointer over every part of the window while a hang-up runs.
      if (busyPointer() && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::runGuarded(const std::function<void()>& f) {
  loop_.runGuarded(f);
}

void MainWindow::setPanelText(int panel, const Text& text) {
  status_->setText(panel, text);
}

void MainWindow::showPendingTexts() {
  status_->flush();
  progress_->flush();
}

Text MainWindow::panelText(int panel) const {
  return status_->text(panel);
}

void MainWindow::showProgress(int barMax, int position) {
  progress_->set(barMax, position);
}

void MainWindow::setFieldText(Field field, const Text& text) {
  ::SetWindowTextW(settings_->field(field), win::WideFromText(text).c_str());
}

Text MainWindow::fieldText(Field field) const {
  return WindowText(settings_->field(field));
}

void MainWindow::setChecked(Check box, bool checked) {
  ::SendMessageW(settings_->check(box), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool MainWindow::isChecked(Check box) const {
  return ::SendMessageW(settings_->check(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::showBusyPointer(bool busy) {
  // Now, not only at the pointer's next move.
  ::SetCursor(::LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void MainWindow::showMsgText(const Text& text) {
  ::SetWindowTextW(settings_->lbMsg, win::WideFromText(text).c_str());
  settings_->fitMsgLabel();
}

}  // namespace th
