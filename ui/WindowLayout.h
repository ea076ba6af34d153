#pragma once
// The main window's layout as data: its elements with their names, captions,
// initial contents and places, in layout pixels (96 dpi). The Qt window and the
// native Windows window are both built from it, so they cannot drift apart;
// how an element is made, its font and its scaling are theirs.
#include <array>
#include <optional>
#include <span>

#include "platform/LineList.h"
#include "platform/View.h"

namespace th {

// The settings fields the window fills when a job starts, by their element names.
// NOLINTBEGIN(readability-identifier-naming): window element names
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
// NOLINTEND(readability-identifier-naming)
inline constexpr int kCheckCount = 4;

// What each field and check box shows of a device.
struct FieldShows {
  Field field;
  Text DeviceDisplay::*text;
};
inline constexpr std::array<FieldShows, kFieldCount> kFieldShows{{
    {Field::lbeSelectedDeviceName, &DeviceDisplay::name},
    {Field::clbLogID, &DeviceDisplay::loggerId},
    {Field::cbbPortno, &DeviceDisplay::port},
    {Field::edtBaudrate, &DeviceDisplay::baudRate},
    {Field::edtParity, &DeviceDisplay::parity},
    {Field::edtStopbits, &DeviceDisplay::stopBits},
    {Field::edtModemNo, &DeviceDisplay::modemNumber},
    {Field::clbModemType, &DeviceDisplay::modemType},
    {Field::edtCommand1, &DeviceDisplay::initCommand},
    {Field::edtCallCmd, &DeviceDisplay::dialCommand},
    {Field::edtDisconnect, &DeviceDisplay::hangupCommand},
    {Field::edtInterval, &DeviceDisplay::intervalMinutes},
    {Field::edtDelay, &DeviceDisplay::delayMinutes},
    {Field::edtSaveFolder, &DeviceDisplay::saveFolder},
    {Field::edtSaveFile1, &DeviceDisplay::dataFile1},
    {Field::edtSaveFile2, &DeviceDisplay::dataFile2},
}};
struct CheckShows {
  Check check;
  bool DeviceDisplay::*value;
};
inline constexpr std::array<CheckShows, kCheckCount> kCheckShows{{
    {Check::ckbTidehaul, &DeviceDisplay::scheduled},
    {Check::ckbSensorNoCheck, &DeviceDisplay::secondFile},
    {Check::ckbDeleteData, &DeviceDisplay::deleteAfter},
    {Check::ckbAppendData, &DeviceDisplay::append},
}};

// A place in layout pixels, from the corner of what holds the element.
struct LayoutBox {
  int x;
  int y;
  int width;
  int height;
};

// The window: its name (the Qt object's, the Windows class's and the X11
// class's), its title and its client area.
inline constexpr char kWindowName[] = "TfTidehaul";
inline constexpr char kWindowTitle[] = "Tidehaul Ver 1.4.9";
inline constexpr int kWindowClientWidth = 672;
inline constexpr int kWindowClientHeight = 462;

enum class ElementKind {
  Label,    // a caption as large as its text: only the box's corner counts
  Heading,  // the device name: bold, red, centred in its box
  Edit,     // a one-line text field
  Combo,    // an editable drop-down box; the height is its field's
  CheckBox,
  SpeedButton,  // an icon, with its caption beside it if it has one
  ProgressBar,  // range 0 to kProgressBarInitialMax, empty
};

// The icons the window draws itself, 16 layout pixels square unless an
// element says otherwise.
enum class ButtonIcon { Tick, Test, Refresh, Folder };
inline constexpr int kSmallIconSize = 16;

struct LayoutElement {
  ElementKind kind;
  const char* name;  // empty for a label nothing refers to
  const char* text;  // caption or initial contents
  LayoutBox box;
  std::optional<Field> field = std::nullopt;  // the field it shows
  std::optional<Check> check = std::nullopt;  // the check box it is
  bool visible = true;
  // Speed buttons.
  ButtonIcon icon = ButtonIcon::Tick;
  int iconSize = kSmallIconSize;
  bool flat = true;  // the edge shows only while pressed
  // Drop-down boxes: the list.
  std::span<const char* const> items = {};
};

// A framed, titled box; its elements are placed from its corner.
struct LayoutGroup {
  const char* name;
  const char* title;
  LayoutBox box;
  std::span<const LayoutElement> elements;
};

// pSubSetting, everything above the panes, made in this order: the elements on
// the area itself, then each group followed by its elements.
struct SettingsLayout {
  const char* name;
  LayoutBox box;  // in the window's client area
  std::span<const LayoutElement> elements;
  std::span<const LayoutGroup> groups;
};
const SettingsLayout& SettingsAreaLayout();

// Elements the window works with beyond the fields and check boxes.
inline constexpr char kMsgLabelName[] = "lbMsg";
inline constexpr char kProgressBarName[] = "PBar_Connect";
inline constexpr char kStartButtonName[] = "SpeedButton3";
// PBar_Connect's range before the first download.
inline constexpr int kProgressBarInitialMax = 100;
// lbMsg's text before the first control message.
inline constexpr char kMsgLabelInitialText[] = "-1";
// The device name's letters, bold.
inline constexpr int kHeadingTextHeight = 19;

// The three read-only panes over the core's line lists, in the client area,
// made in this order (kPanePlaces is indexed by PaneId).
enum class PaneId { mmoDown1, mmoDown2, mmoRxTemp };  // NOLINT(readability-identifier-naming)
inline constexpr int kPaneCount = 3;
struct PanePlace {
  const char* name;
  LineList Panes::*lines;
  LayoutBox box;
};
inline constexpr std::array<PanePlace, kPaneCount> kPanePlaces{{
    {"mmoDown1", &Panes::download1, {8, 318, 321, 129}},
    {"mmoDown2", &Panes::download2, {335, 318, 329, 129}},
    // Lies beyond the right edge until the window is widened past 800 pixels.
    {"mmoRxTemp", &Panes::receiveLog, {800, 318, 240, 148}},
}};

// StatusBar1 along the bottom edge: panels of fixed width from the left, and
// what each shows: the run's stage, the wait in progress, the text last sent,
// the line last received (or a failure).
inline constexpr char kStatusBarName[] = "StatusBar1";
inline constexpr int kPanelCount = 4;
inline constexpr int kStagePanel = 0;
inline constexpr int kWaitPanel = 1;
inline constexpr int kSentPanel = 2;
inline constexpr int kReceivedPanel = 3;
inline constexpr int kFailurePanel = 3;
inline constexpr int kStatusBarHeight = 19;
inline constexpr std::array<int, kPanelCount> kStatusPanelWidths{100, 150, 200, 150};
// Where panel i begins and ends, in layout pixels from the left edge.
constexpr int StatusPanelLeft(int i) {
  int x = 0;
  for (int n = 0; n < i; ++n) {
    x += kStatusPanelWidths.at(static_cast<std::size_t>(n));
  }
  return x;
}
constexpr int StatusPanelRight(int i) {
  return StatusPanelLeft(i) + kStatusPanelWidths.at(static_cast<std::size_t>(i));
}

}  // namespace th
