#pragma once
// The window as an operator sees it when a job starts: the control message
// named device 3 and the tick showed its record.
#include "ui/window/MainWindow.h"

namespace th {

// Record 3 of a settings table as a parent program might have written it,
// shown as the tool shows a device.
void ShowSampleRecord(MainWindow& window);

}  // namespace th
