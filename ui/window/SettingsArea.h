#pragma once
// pSubSetting: everything above the panes, placed as the stored layout has it.
// The fields are for display: the job reads the settings table, not them.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>
#include <array>

#include "platform/View.h"

namespace th {

class SettingsArea : public QFrame {
  Q_OBJECT

 public:
  SettingsArea(double scale, QWidget* parent);

  // The element that shows a field (a label, a drop-down box or a text field).
  QWidget* field(Field f) const { return fields_.at(static_cast<std::size_t>(f)); }
  QCheckBox* check(Check c) const { return checks_.at(static_cast<std::size_t>(c)); }

  QLabel* lbMsg = nullptr;
  QProgressBar* PBar_Connect = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* SpeedButton3 = nullptr;
  QToolButton* SpeedButton6 = nullptr;
  QToolButton* SpeedButton8 = nullptr;

 private:
  int px(int v) const;
  void place(QWidget* w, int x, int y, int width, int height) const;
  QLabel* label(QWidget* parent, const char* caption, int x, int y);
  QLineEdit* edit(QWidget* parent, Field f, const char* name, const char* text, int x, int y,
                  int width, int height);
  QComboBox* combo(QWidget* parent, Field f, const char* name, const char* text, int x, int y,
                   int width);
  QCheckBox* checkBox(QWidget* parent, Check c, const char* name, const char* caption, int x, int y,
                      int width, int height);
  QWidget* group(const char* name, const char* title, int x, int y, int width, int height);
  QToolButton* button(QWidget* parent, const char* name, int x, int y, int width, int height);

  void buildTop();
  void buildPortSetting();
  void buildAddCommand();
  void buildSchedule();
  void buildSaveData();

  double scale_;
  std::array<QWidget*, kFieldCount> fields_{};
  std::array<QCheckBox*, kCheckCount> checks_{};
};

}  // namespace th
