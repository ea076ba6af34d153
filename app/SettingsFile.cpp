#include "app/SettingsFile.h"

#include <array>
#include <cstring>

#include "platform/Errors.h"

namespace th {

LineType LineTypeOf(const Text& name) {
  // Types 1 to 5 dial alike; type 6 is the LTE modem.
  static const std::array<std::u16string_view, 5> kModems = {u"H316k", u"JX070", u"N-Tarsel",
                                                             u"B/T(QM515)", u"etc"};
  if (name == u"Direct") {
    return LineType::Direct;
  }
  if (name == u"TWX-314") {
    return LineType::LteModem;
  }
  for (const std::u16string_view modem : kModems) {
    if (name == modem) {
      return LineType::Modem;
    }
  }
  return LineType::Unknown;
}

void SettingsFile::load() {
  const std::string path = sys_.executableDirectory() + "Setting.dat";
  if (!sys_.fileExists(path)) {
    return;
  }
  std::string bytes;
  const int error = sys_.readFile(path, kSettingsFileSize, bytes);
  // What was read is kept even when the read failed part-way.
  std::memcpy(table_->data(), bytes.data(), bytes.size());
  if (error != 0) {
    throw EInOutError::fromErrno(error);
  }
  if (bytes.size() < kSettingsFileSize) {
    throw EInOutError::readBeyondEnd();
  }
}

const Setup& SettingsFile::record(std::int32_t index) const {
  return table_->at(static_cast<std::size_t>(index));
}

Setup& SettingsFile::record(std::int32_t index) {
  return table_->at(static_cast<std::size_t>(index));
}

DeviceDisplay SettingsFile::display(std::int32_t index) const {
  const Setup& s = record(index);
  DeviceDisplay d;
  d.name = s.DeviceSet.DeviceName.text();
  d.loggerId = s.DeviceSet.LogID.text();
  d.port = u"COM" + IntToText(s.PortSet.COMPORT.get());
  d.baudRate = s.PortSet.Baudrate.text();
  d.parity = s.PortSet.Parity.text();
  d.stopBits = s.PortSet.StopBits.text();
  d.modemNumber = s.ModemSet.ModemNo.text();
  d.modemType = s.ModemSet.ModemType.text();
  d.initCommand = s.ModemSet.Command.text();
  d.dialCommand = s.ModemSet.CallCMD.text();
  d.hangupCommand = s.ModemSet.DiscntCMD.text();
  d.intervalMinutes = IntToText(s.ScheduleSet.intervalMin.get());
  d.delayMinutes = IntToText(s.ScheduleSet.DelayMin.get());
  d.saveFolder = s.SaveFileSet.SavePath.text();
  d.dataFile1 = s.SaveFileSet.FileName1.text();
  d.dataFile2 = s.SaveFileSet.FileName2.text();
  d.scheduled = s.ScheduleSet.SchDown.get();
  d.secondFile = s.ScheduleSet.SensorNoCheck.get();
  d.deleteAfter = s.ScheduleSet.DeleteDATAAfter.get();
  d.append = s.ScheduleSet.AppendData.get();
  return d;
}

JobSettings SettingsFile::job(std::int32_t index) const {
  const Setup& s = record(index);
  JobSettings job;
  // The id's bytes go onto the line as they are stored.
  const Text id = BytesToText(s.DeviceSet.LogID.bytes());
  LinkSettings& link = job.link;
  link.loggerId = id;
  link.portNumber = s.PortSet.COMPORT.get();
  link.baudRate = s.PortSet.Baudrate.text();
  link.type = LineTypeOf(s.ModemSet.ModemType.text());
  link.initCommand = s.ModemSet.Command.text();
  link.dialCommand = s.ModemSet.CallCMD.text();
  link.number = s.ModemSet.ModemNo.text();
  link.hangupCommand = s.ModemSet.DiscntCMD.text();
  FetchSettings& fetch = job.fetch;
  fetch.loggerId = id;
  fetch.deviceName = s.DeviceSet.DeviceName.text();
  fetch.secondFile = s.ScheduleSet.SensorNoCheck.get();
  fetch.saveFolder = std::string(s.SaveFileSet.SavePath.bytes());
  fetch.dataFile1 = std::string(s.SaveFileSet.FileName1.bytes());
  fetch.dataFile2 = std::string(s.SaveFileSet.FileName2.bytes());
  return job;
}

}  // namespace th
