#pragma once
// The window's look: its font and the icons it draws itself.
#include <QFont>
#include <QIcon>

#include "ui/WindowLayout.h"

namespace th {

// Tahoma 8 pt where the font exists, otherwise the platform's sans-serif at 8 pt.
QFont WindowFont();

// A speed button's icon, drawn here rather than taken from any file: a green
// tick (SpeedButton6 "Apply"), a red disc lettered TEST (SpeedButton3), a
// green circular arrow (SpeedButton8) or an open folder (SpeedButton1). Only
// the TEST disc is drawn at `size`; the others are 16 pixels square.
QIcon ButtonIconImage(ButtonIcon icon, int size);

}  // namespace th
