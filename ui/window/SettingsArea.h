#pragma once
// pSubSetting: everything above the panes, made from the window's layout.
// The fields are for display: the job reads the settings table, not them.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <array>

#include "platform/View.h"
#include "ui/WindowLayout.h"

namespace th {

class SettingsArea : public QFrame {
  Q_OBJECT

 public:
  SettingsArea(double scale, QWidget* parent);

  // The element that shows a field (a label, a drop-down box or a text field).
  QWidget* field(Field f) const { return fields_.at(static_cast<std::size_t>(f)); }
  QCheckBox* check(Check c) const { return checks_.at(static_cast<std::size_t>(c)); }

  // Window elements, by their names.
  QLabel* lbMsg = nullptr;
  QProgressBar* PBar_Connect = nullptr;  // NOLINT(readability-identifier-naming)
  QToolButton* SpeedButton3 = nullptr;   // NOLINT(readability-identifier-naming)

 private:
  int px(int v) const;
  void place(QWidget* w, const LayoutBox& box) const;
  // Makes the element inside `parent`.
  void make(QWidget* parent, const LayoutElement& e);
  QWidget* label(QWidget* parent, const LayoutElement& e);
  QWidget* heading(QWidget* parent, const LayoutElement& e);
  QWidget* edit(QWidget* parent, const LayoutElement& e);
  QWidget* combo(QWidget* parent, const LayoutElement& e);
  QWidget* checkBox(QWidget* parent, const LayoutElement& e);
  QWidget* speedButton(QWidget* parent, const LayoutElement& e);
  QWidget* progressBar(QWidget* parent, const LayoutElement& e);
  QWidget* group(const LayoutGroup& g);
  // The element of that name, which the layout must have.
  template <typename Widget>
  Widget* named(const char* name) const;

  double scale_;
  std::array<QWidget*, kFieldCount> fields_{};
  std::array<QCheckBox*, kCheckCount> checks_{};
};

}  // namespace th
