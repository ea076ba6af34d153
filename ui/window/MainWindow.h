#pragma once
// TfTidehaul, the tool's one window: the settings area, the progress bar, the
// four-panel status bar and the three read-only panes over the core's line
// lists. It is the View the logic writes to.
#include <QMainWindow>
#include <array>
#include <functional>

#include "platform/LineList.h"
#include "ui/WindowLayout.h"
#include "ui/WindowView.h"

namespace th {

class LinePane;
class SettingsArea;
class StatusPanels;

class MainWindow : public QMainWindow, public WindowView {
  Q_OBJECT

 public:
  explicit MainWindow(Panes& panes, QWidget* parent = nullptr);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  static constexpr int kClientWidth = kWindowClientWidth;
  static constexpr int kClientHeight = kWindowClientHeight;

  // Status panels show their latest texts now instead of at their next refresh.
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
  // Pixels per layout pixel: the layout is for 96 dpi.
  double layoutScale() const { return scale_; }

 protected:
  void showProgress(int barMax, int position) override;
  void showBusyPointer(bool busy) override;
  void showMsgText(const Text& text) override;
  void runGuarded(const std::function<void()>& f) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  int px(int v) const;

  double scale_;
  SettingsArea* settings_ = nullptr;
  StatusPanels* status_ = nullptr;
  std::array<LinePane*, kPaneCount> panes_{};
};

}  // namespace th
