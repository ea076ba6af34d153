#include "SampleRecord.h"

namespace th {

void FillSampleRecord(Setup& s) {
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

}  // namespace th
