#pragma once
// A view for tests: keeps the current state of every element and every text
// that each status panel showed, in order.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/View.h"

namespace th::test {

class RecordingView : public View {
 public:
  RecordingView();

  void setPanelText(int panel, const Text& text) override;
  Text panelText(int panel) const override { return panels_.at(panel); }
  int progressMax() const override { return progressMax_; }
  void setProgressPosition(int position) override { progressPosition_ = position; }
  int progressPosition() const override { return progressPosition_; }
  void setFieldText(Field field, const Text& text) override;
  Text fieldText(Field field) const override;
  void setChecked(Check box, bool checked) override;
  bool isChecked(Check box) const override;
  void setBusyPointer(bool busy) override;
  void setMsgText(const Text& text) override { msg_ = text; }
  Text msgText() const override { return msg_; }

  // Every text panel n showed, oldest first (UTF-8 for readable assertions).
  const std::vector<std::string>& history(int panel) const { return history_.at(panel); }
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

 protected:
  void doSetProgressMax(int max) override { progressMax_ = max; }

 private:
  std::array<Text, kPanelCount> panels_;
  std::array<std::vector<std::string>, kPanelCount> history_;
  std::vector<Stamped> stamped_;
  std::array<Text, kFieldCount> fields_;
  std::array<bool, kCheckCount> checks_{};
  std::vector<bool> busy_;
  Text msg_ = u"-1";
  int progressMax_ = 100;
  int progressPosition_ = 0;
  std::function<std::uint32_t()> clock_;
};

}  // namespace th::test
