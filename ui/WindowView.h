#pragma once
// The View as both windows keep it: what the logic reports goes to the panel
// or field the layout gives it; the progress bar's range and position, the
// busy pointer and lbMsg's text are held here, and the window is told to show
// each change. The start button and the close request reach the program
// through the handlers kept here.
#include <functional>
#include <utility>

#include "platform/View.h"
#include "ui/WindowLayout.h"

namespace th {

class WindowView : public View {
 public:
  void showStage(const Text& text) final { setPanelText(kStagePanel, text); }
  void showWait(const Text& text) final { setPanelText(kWaitPanel, text); }
  void showSent(const Text& text) final { setPanelText(kSentPanel, text); }
  void showReceived(const Text& text) final { setPanelText(kReceivedPanel, text); }
  void showFailure(const Text& text) final { setPanelText(kFailurePanel, text); }
  int progressMax() const final { return progressMax_; }
  void setProgressPosition(int position) final;
  int progressPosition() const final { return progressPosition_; }
  void showDevice(const DeviceDisplay& device) final;
  void setBusy(bool busy) final;
  bool busyPointer() const { return busy_; }
  void setPendingDevice(const Text& text) final;
  Text pendingDevice() const final { return msgText_; }

  // The window's own elements.
  virtual void setPanelText(int panel, const Text& text) = 0;
  virtual Text panelText(int panel) const = 0;
  virtual void setFieldText(Field field, const Text& text) = 0;
  virtual Text fieldText(Field field) const = 0;
  virtual void setChecked(Check box, bool checked) = 0;
  virtual bool isChecked(Check box) const = 0;

  // SpeedButton3, the manual start.
  void setOnStart(std::function<void()> f) { onStart_ = std::move(f); }
  // The close request (the close button, the system menu, another program);
  // the close always goes ahead.
  void setOnCloseRequest(std::function<void()> f) { onCloseRequest_ = std::move(f); }
  // What SpeedButton3 does: runs the start handler.
  void requestStart();

 protected:
  WindowView();

  // Runs the close handler; the window closes after it.
  void requestClose();
  // Runs `f` so that an exception escaping it reaches the event loop's
  // handler, not the toolkit that called the window.
  virtual void runGuarded(const std::function<void()>& f) = 0;

  // A bar of range 0 to barMax (never below 1) at `position`.
  virtual void showProgress(int barMax, int position) = 0;
  // Called only when the pointer changes.
  virtual void showBusyPointer(bool busy) = 0;
  virtual void showMsgText(const Text& text) = 0;

 private:
  void doSetProgressMax(int max) final;
  void showProgress();

  int progressMax_;
  int progressPosition_ = 0;
  bool busy_ = false;
  Text msgText_;
  std::function<void()> onStart_;
  std::function<void()> onCloseRequest_;
};

}  // namespace th
