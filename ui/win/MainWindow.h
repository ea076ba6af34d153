#pragma once
// TfTidehaul, the tool's one window, native on Windows: the settings area, the
// progress bar, the four-panel status bar and the three read-only panes over
// the core's line lists. Its window class is named TfTidehaul and its title is
// "Tidehaul Ver 1.4.9" (kWindowName, kWindowTitle): the parent program finds it
// by them and sends it the control message. It is the View the logic writes to.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/ControlMessage.h"
#include "platform/LineList.h"
#include "platform/win/WinApi.h"
#include "platform/win/WinEventLoop.h"
#include "ui/WindowLayout.h"
#include "ui/WindowView.h"
#include "ui/win/Appearance.h"
#include "ui/win/MessageHandler.h"
#include "ui/win/PaintThrottle.h"
#include "ui/win/WinControls.h"

namespace th {

class LinePane;
class ProgressDisplay;
class SettingsArea;
class StatusPanels;

// The control message as it reached the window procedure: a null lParam, or a
// null lpData whatever cbData says, gives an empty message.
ControlMessage CopyDataFromMessage(LPARAM lParam);

class MainWindow : public WindowView, private MessageHandler {
 public:
  static constexpr auto kClassName = WideAscii(kWindowName);
  static constexpr auto kTitle = WideAscii(kWindowTitle);
  static constexpr int kClientWidth = kWindowClientWidth;
  static constexpr int kClientHeight = kWindowClientHeight;

  // Handlers run through `loop`, so that an exception reaches its handler.
  MainWindow(Panes& panes, WinEventLoop& loop);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND handle() const { return window_; }
  void show();
  // Hides the window; the logic decides when the run ends.
  void close();

  // WM_COPYDATA; answered with 0 whatever the handler does.
  void setOnCopyData(std::function<void(const ControlMessage&)> f) { onCopyData_ = std::move(f); }
  // The status panels and the progress bar show their latest values now
  // instead of at their next refresh.
  void showPendingTexts();

  void setPanelText(int panel, const Text& text) override;
  Text panelText(int panel) const override;
  void setFieldText(Field field, const Text& text) override;
  Text fieldText(Field field) const override;
  void setChecked(Check box, bool checked) override;
  bool isChecked(Check box) const override;

  LinePane& pane(PaneId id) const { return *panes_.at(static_cast<std::size_t>(id)); }
  LinePane& mmoRxTemp() const { return pane(PaneId::mmoRxTemp); }
  LinePane& mmoDown1() const { return pane(PaneId::mmoDown1); }
  LinePane& mmoDown2() const { return pane(PaneId::mmoDown2); }
  StatusPanels& statusBar() const { return *status_; }
  const SettingsArea& settingsArea() const { return *settings_; }
  // An element by its name ("lbMsg", "mmoDown1", "StatusBar1", "gbSaveData", ...).
  HWND element(const std::string& name) const;
  const LayoutScale& layoutScale() const { return scale_; }

 protected:
  void showProgress(int barMax, int position) override;
  void showBusyPointer(bool busy) override;
  void showMsgText(const Text& text) override;
  void runGuarded(const std::function<void()>& f) override;

 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  RECT place(const LayoutBox& box) const;

  WinEventLoop& loop_;
  LayoutScale scale_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HFONT nameFont_ = nullptr;
  // Before the displays it serves, which leave it as they go.
  PaintSchedule schedule_;
  std::unique_ptr<SettingsArea> settings_;
  std::unique_ptr<StatusPanels> status_;
  std::unique_ptr<ProgressDisplay> progress_;
  std::array<std::unique_ptr<LinePane>, kPaneCount> panes_;
  std::function<void(const ControlMessage&)> onCopyData_;
};

}  // namespace th
