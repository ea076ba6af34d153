#pragma once
// The main window as the logic sees it. The Qt window and the recording view of
// the tests implement it; the text panes are core line lists (ui/LineList.h)
// that the window only displays.
#include "platform/Errors.h"
#include "platform/Text.h"

namespace th {

// Settings fields that Init fills, by their window element names.
enum class Field {
  lbeSelectedDeviceName,
  clbLogID,
  cbbPortno,
  edtBaudrate,
  edtParity,
  edtStopbits,
  edtModemNo,
  clbModemType,
  edtCommand1,
  edtCallCmd,
  edtDisconnect,
  edtInterval,
  edtDelay,
  edtSaveFolder,
  edtSaveFile1,
  edtSaveFile2,
};
inline constexpr int kFieldCount = 16;

enum class Check { ckbTidehaul, ckbSensorNoCheck, ckbDeleteData, ckbAppendData };
inline constexpr int kCheckCount = 4;

inline constexpr int kPanelCount = 4;

class View {
 public:
  virtual ~View() = default;

  // Status bar panels 0 to 3.
  virtual void setPanelText(int panel, const Text& text) = 0;
  virtual Text panelText(int panel) const = 0;

  // Progress bar PBar_Connect, range 0 to 100 at start. A maximum below the
  // minimum 0 is refused with EInvalidOperation and changes nothing.
  void setProgressMax(int max) {
    if (max < 0) {
      throw EInvalidOperation("Property value out of range");
    }
    doSetProgressMax(max);
  }
  virtual int progressMax() const = 0;
  virtual void setProgressPosition(int position) = 0;
  virtual int progressPosition() const = 0;

  virtual void setFieldText(Field field, const Text& text) = 0;
  virtual Text fieldText(Field field) const = 0;
  virtual void setChecked(Check box, bool checked) = 0;
  virtual bool isChecked(Check box) const = 0;

  // The busy pointer over the whole application while a hang-up runs.
  virtual void setBusyPointer(bool busy) = 0;

  // lbMsg: the pending device number.
  virtual void setMsgText(const Text& text) = 0;
  virtual Text msgText() const = 0;

 protected:
  virtual void doSetProgressMax(int max) = 0;
};

}  // namespace th
