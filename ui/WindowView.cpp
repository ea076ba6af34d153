#include "ui/WindowView.h"

#include <algorithm>

#include "ui/WindowLayout.h"

namespace th {

WindowView::WindowView()
    : progressMax_(kProgressBarInitialMax), msgText_(T(kMsgLabelInitialText)) {}

void WindowView::showProgress() {
  // An empty range (an empty file) shows as an empty bar, not as nothing or
  // as a busy animation.
  showProgress(std::max(1, progressMax_), progressPosition_);
}

void WindowView::doSetProgressMax(int max) {
  progressMax_ = max;
  // The bar keeps its position inside its range.
  progressPosition_ = std::min(progressPosition_, max);
  showProgress();
}

void WindowView::setProgressPosition(int position) {
  progressPosition_ = std::clamp(position, 0, progressMax_);
  showProgress();
}

void WindowView::showDevice(const DeviceDisplay& device) {
  for (const FieldShows& f : kFieldShows) {
    setFieldText(f.field, device.*f.text);
  }
  for (const CheckShows& c : kCheckShows) {
    setChecked(c.check, device.*c.value);
  }
}

void WindowView::setBusy(bool busy) {
  if (busy == busy_) {
    return;
  }
  busy_ = busy;
  showBusyPointer(busy);
}

void WindowView::setPendingDevice(const Text& text) {
  msgText_ = text;
  showMsgText(text);
}

void WindowView::requestStart() {
  if (onStart_) {
    runGuarded(onStart_);
  }
}

void WindowView::requestClose() {
  if (onCloseRequest_) {
    runGuarded(onCloseRequest_);
  }
}

}  // namespace th
