#pragma once
// The window's look: its font and the icons it draws itself.
#include <QFont>
#include <QIcon>

namespace th {

// Tahoma 8 pt where the font exists, otherwise the platform's sans-serif at 8 pt.
QFont WindowFont();

// Icons of the speed buttons, drawn here rather than taken from any file.
QIcon TickIcon();          // green tick: SpeedButton6 "Apply"
QIcon TestIcon(int size);  // red disc lettered TEST: SpeedButton3
QIcon RefreshIcon();       // green circular arrow: SpeedButton8
QIcon FolderIcon();        // open folder: SpeedButton1

}  // namespace th
