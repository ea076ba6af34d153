#include "ui/WindowLayout.h"

namespace th {

namespace {

constexpr int kComboHeight = 21;
constexpr int kEditHeight = 19;

constexpr LayoutElement Label(const char* caption, int x, int y) {
  return {.kind = ElementKind::Label, .name = "", .text = caption, .box = {x, y, 0, 0}};
}

constexpr LayoutElement Edit(Field f, const char* name, const char* text, int x, int y, int width) {
  return {.kind = ElementKind::Edit,
          .name = name,
          .text = text,
          .box = {x, y, width, kEditHeight},
          .field = f};
}

constexpr LayoutElement Combo(Field f, const char* name, const char* text, int x, int y, int width,
                              std::span<const char* const> items) {
  return {.kind = ElementKind::Combo,
          .name = name,
          .text = text,
          .box = {x, y, width, kComboHeight},
          .field = f,
          .items = items};
}

constexpr LayoutElement CheckBox(Check c, const char* name, const char* caption, LayoutBox box,
                                 bool visible = true) {
  return {.kind = ElementKind::CheckBox,
          .name = name,
          .text = caption,
          .box = box,
          .check = c,
          .visible = visible};
}

constexpr LayoutElement SpeedButton(const char* name, ButtonIcon icon, LayoutBox box,
                                    const char* caption = "") {
  return {
      .kind = ElementKind::SpeedButton, .name = name, .text = caption, .box = box, .icon = icon};
}

constexpr const char* kModemTypes[] = {"Direct", "TWX-314", "TCP/IP",   "B/T(QM515)",
                                       "H316k",  "JX070",   "N-Tarsel", "etc"};
constexpr const char* kLoggerIds[] = {"00", "01", "02", "03", "04", "05", "06", "07",
                                      "08", "09", "10", "11", "12", "13", "14", "15"};

constexpr LayoutElement kTop[] = {
    {.kind = ElementKind::Label,
     .name = kMsgLabelName,
     .text = kMsgLabelInitialText,
     .box = {14, 9, 0, 0}},
    {.kind = ElementKind::Heading,
     .name = "lbeSelectedDeviceName",
     .text = "",
     .box = {124, 10, 369, 23},
     .field = Field::lbeSelectedDeviceName},
    SpeedButton("SpeedButton6", ButtonIcon::Tick, {578, 4, 70, 28}, "Apply"),
    Label("Communication Type", 14, 39),
    Combo(Field::clbModemType, "clbModemType", "Direct", 14, 55, 114, kModemTypes),
    Label("Logger ID", 134, 39),
    Combo(Field::clbLogID, "clbLogID", "ID", 134, 55, 41, kLoggerIds),
    {.kind = ElementKind::SpeedButton,
     .name = kStartButtonName,
     .text = "",
     .box = {202, 48, 32, 32},
     .icon = ButtonIcon::Test,
     .iconSize = 28},
    {.kind = ElementKind::ProgressBar,
     .name = kProgressBarName,
     .text = "",
     .box = {240, 55, 393, 17}},
};

constexpr LayoutElement kPortSetting[] = {
    Label("Port No", 12, 25),
    Combo(Field::cbbPortno, "cbbPortno", "COM1", 80, 22, 57, {}),
    SpeedButton("SpeedButton8", ButtonIcon::Refresh, {140, 19, 26, 27}),
    Label("Baudrate", 12, 52),
    Edit(Field::edtBaudrate, "edtBaudrate", "9600", 80, 49, 81),
    Label("parity", 12, 79),
    Edit(Field::edtParity, "edtParity", "None", 80, 76, 81),
    Label("Stop Bits", 12, 106),
    Edit(Field::edtStopbits, "edtStopbits", "1", 80, 103, 81),
};

constexpr LayoutElement kAddCommand[] = {
    Label("Phone No", 12, 23),    Edit(Field::edtModemNo, "edtModemNo", "", 86, 20, 121),
    Label("Command", 12, 49),     Edit(Field::edtCommand1, "edtCommand1", "", 86, 46, 121),
    Label("Call Cmd", 12, 75),    Edit(Field::edtCallCmd, "edtCallCmd", "", 86, 72, 121),
    Label("Disconnect", 12, 102), Edit(Field::edtDisconnect, "edtDisconnect", "", 86, 99, 121),
};

constexpr LayoutElement kSchedule[] = {
    CheckBox(Check::ckbTidehaul, "ckbTidehaul", "Tidehaul", {13, 23, 148, 17}),
    CheckBox(Check::ckbSensorNoCheck, "ckbSensorNoCheck", "Data Channel Quantity > 60  ?",
             {13, 53, 195, 17}),
    Label("Interval", 16, 86),
    Edit(Field::edtInterval, "edtInterval", "30", 84, 83, 49),
    Label("Minutes", 139, 86),
    Label("Delay", 16, 111),
    Edit(Field::edtDelay, "edtDelay", "5", 84, 108, 49),
    Label("Minutes", 139, 111),
    // Kept for Init, never shown: the job always deletes and always appends.
    CheckBox(Check::ckbDeleteData, "ckbDeleteData", "Delete Data After Download",
             {174, 58, 181, 17}, false),
    CheckBox(Check::ckbAppendData, "ckbAppendData", "Append Data to File", {174, 77, 163, 17},
             false),
};

constexpr LayoutElement kSaveData[] = {
    Label("Save Location", 12, 21),
    Edit(Field::edtSaveFolder, "edtSaveFolder", "", 113, 18, 465),
    // A plain button, not a flat one.
    {.kind = ElementKind::SpeedButton,
     .name = "SpeedButton1",
     .text = "",
     .box = {580, 16, 23, 22},
     .icon = ButtonIcon::Folder,
     .flat = false},
    Label("Save File Name #1", 12, 50),
    Edit(Field::edtSaveFile1, "edtSaveFile1", "CR000", 123, 47, 120),
    Label(".TXT", 247, 50),
    Label("Save File Name #2", 318, 50),
    Edit(Field::edtSaveFile2, "edtSaveFile2", "CR001", 426, 47, 120),
    Label(".TXT", 550, 50),
};

constexpr LayoutGroup kGroups[] = {
    {"gbPortSetting", "Port Setting", {11, 86, 185, 131}, kPortSetting},
    {"gbAddCommand", "Add Command", {202, 86, 223, 131}, kAddCommand},
    {"gbTidehaul", "Tidehaul", {431, 86, 203, 131}, kSchedule},
    {"gbSaveData", "Save Data", {11, 223, 628, 76}, kSaveData},
};

constexpr SettingsLayout kSettings{"pSubSetting", {8, 8, 656, 304}, kTop, kGroups};

}  // namespace

const SettingsLayout& SettingsAreaLayout() {
  return kSettings;
}

}  // namespace th
