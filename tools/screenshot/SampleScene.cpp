#include "SampleScene.h"

#include "app/Tidehaul.h"
#include "platform/linux/LinuxPlatformServices.h"
#include "platform/qt/QtEventLoop.h"

namespace th {

namespace {

// The screenshot never opens a line.
class IdlePort : public Port {
 public:
  bool Connected() const override { return false; }
  void Open() override {}
  void Close() override {}
  void SetPort(const Text& name) override { name_ = name; }
  Text GetPort() const override { return name_; }
  void SetBaudRate(int baud) override { baud_ = baud; }
  int GetBaudRate() const override { return baud_; }
  void SetDTR(bool /*on*/) override {}
  void SetRTS(bool /*on*/) override {}
  int WriteStr(const Text& /*str*/) override { return 0; }
  int ReadStr(Text& str, int /*count*/) override {
    str.clear();
    return 0;
  }
  void SetOnRxChar(RxCharHandler /*handler*/) override {}
  void SetOnHangup(HangupHandler /*handler*/) override {}

 private:
  Text name_ = u"COM1";
  int baud_ = 9600;
};

constexpr std::int32_t kDevice = 3;

void fillRecord(Setup& s) {
  s.DeviceSet.DeviceName.setBytes("Station 4 - River Gauge");
  s.DeviceSet.LogID.setBytes("01");
  s.PortSet.COMPORT.set(3);
  s.PortSet.Baudrate.setBytes("9600");
  s.PortSet.Parity.setBytes("None");
  s.PortSet.StopBits.setBytes("1");
  s.ModemSet.ModemNo.setBytes("0312345678");
  s.ModemSet.ModemType.setBytes("TWX-314");
  s.ModemSet.Command.setBytes("AT&F");
  s.ModemSet.CallCMD.setBytes("ATDT");
  s.ModemSet.DiscntCMD.setBytes("ATH0");
  s.ScheduleSet.SchDown.set(true);
  s.ScheduleSet.SensorNoCheck.set(false);
  s.ScheduleSet.DeleteDATAAfter.set(true);
  s.ScheduleSet.AppendData.set(true);
  s.ScheduleSet.intervalMin.set(30);
  s.ScheduleSet.DelayMin.set(5);
  s.SaveFileSet.SavePath.setBytes("/srv/tidehaul/station4");
  s.SaveFileSet.FileName1.setBytes("ST4_A");
  s.SaveFileSet.FileName2.setBytes("ST4_B");
}

}  // namespace

void ShowSampleRecord(TfTidehaul& window, Panes& panes) {
  RunState rs;
  fillRecord(rs.DeviceInfo.at(kDevice));
  QtEventLoop loop;
  IdlePort port;
  LinuxPlatformServices sys;
  Runtime rt{rs, panes, loop, window, port, sys};
  Tidehaul unit(rt);
  window.setMsgText(IntToText(kDevice));
  window.setPanelText(0, u"Waiting-2[Sec]");
  unit.settings.Init(kDevice);
}

}  // namespace th
