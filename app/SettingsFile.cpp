#include "app/SettingsFile.h"

#include <array>
#include <cstring>

#include "app/Tidehaul.h"
#include "platform/Errors.h"

namespace th {

void SettingsFile::SettingOpen() {
  PlatformServices& sys = u_.rt.sys;
  const std::string SFName = sys.executableDirectory() + "Setting.dat";
  if (!sys.fileExists(SFName)) {
    return;
  }
  std::string bytes;
  const int error = sys.readFile(SFName, kSettingsFileSize, bytes);
  // What was read is kept even when the read failed part-way.
  std::memcpy(u_.rt.rs.DeviceInfo.data(), bytes.data(), bytes.size());
  if (error != 0) {
    throw EInOutError::FromErrno(error);
  }
  if (bytes.size() < kSettingsFileSize) {
    throw EInOutError::ReadBeyondEnd();
  }
}

std::int32_t SettingsFile::MdoemTypeFind(std::int32_t Index) const {
  static const std::array<std::u16string_view, 7> kNames = {
      u"Direct", u"H316k", u"JX070", u"N-Tarsel", u"B/T(QM515)", u"etc", u"TWX-314"};
  if (!IsDeviceNumber(Index)) {
    return kNoType;
  }
  const Text type = u_.rt.device(Index).ModemSet.ModemType.text();
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (type == kNames[i]) {
      return static_cast<std::int32_t>(i);
    }
  }
  return kNoType;
}

void SettingsFile::Init(std::int32_t nNO) {
  if (!IsDeviceNumber(nNO)) {
    return;
  }
  const Setup& s = u_.rt.device(nNO);
  View& v = u_.rt.view;
  v.setFieldText(Field::lbeSelectedDeviceName, s.DeviceSet.DeviceName.text());
  v.setFieldText(Field::clbLogID, s.DeviceSet.LogID.text());
  v.setFieldText(Field::cbbPortno, u"COM" + IntToText(s.PortSet.COMPORT.get()));
  v.setFieldText(Field::edtBaudrate, s.PortSet.Baudrate.text());
  v.setFieldText(Field::edtParity, s.PortSet.Parity.text());
  v.setFieldText(Field::edtStopbits, s.PortSet.StopBits.text());
  v.setFieldText(Field::edtModemNo, s.ModemSet.ModemNo.text());
  v.setFieldText(Field::clbModemType, s.ModemSet.ModemType.text());
  v.setFieldText(Field::edtCommand1, s.ModemSet.Command.text());
  v.setFieldText(Field::edtCallCmd, s.ModemSet.CallCMD.text());
  v.setFieldText(Field::edtDisconnect, s.ModemSet.DiscntCMD.text());
  v.setChecked(Check::ckbTidehaul, s.ScheduleSet.SchDown.get());
  v.setChecked(Check::ckbSensorNoCheck, s.ScheduleSet.SensorNoCheck.get());
  v.setChecked(Check::ckbDeleteData, s.ScheduleSet.DeleteDATAAfter.get());
  v.setChecked(Check::ckbAppendData, s.ScheduleSet.AppendData.get());
  v.setFieldText(Field::edtInterval, IntToText(s.ScheduleSet.intervalMin.get()));
  v.setFieldText(Field::edtDelay, IntToText(s.ScheduleSet.DelayMin.get()));
  v.setFieldText(Field::edtSaveFolder, s.SaveFileSet.SavePath.text());
  v.setFieldText(Field::edtSaveFile1, s.SaveFileSet.FileName1.text());
  v.setFieldText(Field::edtSaveFile2, s.SaveFileSet.FileName2.text());
}

}  // namespace th
