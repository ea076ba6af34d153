#pragma once
// The View as both windows keep it: the progress bar's range and position, the
// busy pointer and lbMsg's text are held here, and the window is told to show
// each change.
#include "platform/View.h"

namespace th {

class WindowView : public View {
 public:
  int progressMax() const final { return progressMax_; }
  void setProgressPosition(int position) final;
  int progressPosition() const final { return progressPosition_; }
  void setBusyPointer(bool busy) final;
  bool busyPointer() const { return busy_; }
  void setMsgText(const Text& text) final;
  Text msgText() const final { return msgText_; }

 protected:
  WindowView();

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
};

}  // namespace th
