#pragma once
// The main window as the logic sees it, in the logic's own terms: what it has
// to report and show, not where. The Qt window (Linux), the native window
// (Windows) and the recording view of the tests implement it; each window
// decides which panel or field shows what. The text panes are core line lists
// (platform/LineList.h) that the window only displays.
#include "platform/Errors.h"
#include "platform/Text.h"

namespace th {

// A device's settings as the window shows them when its job starts.
struct DeviceDisplay {
  Text name;
  Text loggerId;
  Text port;  // "COM" and the number
  Text baudRate;
  Text parity;
  Text stopBits;
  Text modemNumber;
  Text modemType;
  Text initCommand;
  Text dialCommand;
  Text hangupCommand;
  Text intervalMinutes;
  Text delayMinutes;
  Text saveFolder;
  Text dataFile1;  // without ".TXT"
  Text dataFile2;
  bool scheduled = false;
  bool secondFile = false;  // more than 60 channels: the logger keeps two files
  bool deleteAfter = false;
  bool append = false;
};

class View {
 public:
  virtual ~View() = default;

  // The run's stage: the wait for a device number, then the port's state.
  virtual void showStage(const Text& text) = 0;
  // The wait of the exchange in progress: a label, a count and a unit.
  virtual void showWait(const Text& text) = 0;
  // The command or text last sent to the modem or the logger.
  virtual void showSent(const Text& text) = 0;
  // The last complete line received.
  virtual void showReceived(const Text& text) = 0;
  // A failure or event-log entry.
  virtual void showFailure(const Text& text) = 0;

  // The read's progress, 0 to 100 at start. A maximum below 0 is refused with
  // EInvalidOperation and changes nothing.
  void setProgressMax(int max) {
    if (max < 0) {
      throw EInvalidOperation("Property value out of range");
    }
    doSetProgressMax(max);
  }
  virtual int progressMax() const = 0;
  virtual void setProgressPosition(int position) = 0;
  virtual int progressPosition() const = 0;

  // The settings of the device whose job starts.
  virtual void showDevice(const DeviceDisplay& device) = 0;

  // The busy pointer over the whole application while a hang-up runs.
  virtual void setBusy(bool busy) = 0;

  // The device number named by the control message, as text, until the next
  // tick of the wait timer reads it.
  virtual void setPendingDevice(const Text& text) = 0;
  virtual Text pendingDevice() const = 0;

 protected:
  virtual void doSetProgressMax(int max) = 0;
};

}  // namespace th
