#pragma once
// A view for tests: keeps every text the logic reported, by the status panel
// the window shows it in, in order, and the state of everything else.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/View.h"
#include "ui/WindowLayout.h"

namespace th::test {

class RecordingView : public View {
 public:
  void showStage(const Text& text) override { record(kStagePanel, text); }
  void showWait(const Text& text) override { record(kWaitPanel, text); }
  void showSent(const Text& text) override { record(kSentPanel, text); }
  void showReceived(const Text& text) override { record(kReceivedPanel, text); }
  void showFailure(const Text& text) override { record(kFailurePanel, text); }
  int progressMax() const override { return progressMax_; }
  void setProgressPosition(int position) override { progressPosition_ = position; }
  int progressPosition() const override { return progressPosition_; }
  void showDevice(const DeviceDisplay& device) override { device_ = device; }
  void setBusy(bool busy) override { busy_.push_back(busy); }
  void setPendingDevice(const Text& text) override { pending_ = text; }
  Text pendingDevice() const override { return pending_; }

  // The latest text of a panel.
  Text panelText(int panel) const { return panels_.at(static_cast<std::size_t>(panel)); }
  // Every text panel n showed, oldest first (UTF-8 for readable assertions).
  const std::vector<std::string>& history(int panel) const {
    return history_.at(static_cast<std::size_t>(panel));
  }
  // Busy pointer changes, in order (true = busy).
  const std::vector<bool>& busyHistory() const { return busy_; }
  // Each panel text with the moment (loop tick) it was set, when a clock is attached.
  struct Stamped {
    std::uint32_t tick;
    int panel;
    std::string text;
  };
  const std::vector<Stamped>& stamped() const { return stamped_; }
  void setClock(std::function<std::uint32_t()> clock) { clock_ = std::move(clock); }

  // The device shown last, if any.
  const std::optional<DeviceDisplay>& device() const { return device_; }
  // A field or check box as the window would show it: its initial contents
  // until a device is shown.
  Text fieldText(Field field) const;
  bool isChecked(Check box) const;

 protected:
  void doSetProgressMax(int max) override { progressMax_ = max; }

 private:
  void record(int panel, const Text& text);

  std::array<Text, kPanelCount> panels_;
  std::array<std::vector<std::string>, kPanelCount> history_;
  std::vector<Stamped> stamped_;
  std::optional<DeviceDisplay> device_;
  std::vector<bool> busy_;
  Text pending_ = u"-1";
  int progressMax_ = 100;
  int progressPosition_ = 0;
  std::function<std::uint32_t()> clock_;
};

}  // namespace th::test
