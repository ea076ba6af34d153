#pragma once
// The window's look: its font and the icons it draws itself.
#include <QFont>
#include <QIcon>

namespace th {

// Tahoma 8 pt where the font exists, otherwise the platform's sans-serif at 8 pt.
QFont windowFont();

// Icons of the speed buttons, drawn here rather than taken from any file.
QIcon tickIcon();          // green tick: SpeedButton6 "Apply"
QIcon testIcon(int size);  // red disc lettered TEST: SpeedButton3
QIcon refreshIcon();       // green circular arrow: SpeedButton8
QIcon folderIcon();        // open folder: SpeedButton1

}  // namespace th
