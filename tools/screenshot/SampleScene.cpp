#include "SampleScene.h"

#include "SampleRecord.h"
#include "app/Tidehaul.h"
#include "platform/linux/LinuxPlatformServices.h"
#include "platform/qt/QtEventLoop.h"

namespace th {

void ShowSampleRecord(TfTidehaul& window, Panes& panes) {
  RunState rs;
  FillSampleRecord(rs.DeviceInfo.at(kSampleDevice));
  QtEventLoop loop;
  IdlePort port;
  LinuxPlatformServices sys;
  Runtime rt{rs, panes, loop, window, port, sys};
  Tidehaul unit(rt);
  window.setMsgText(IntToText(kSampleDevice));
  window.setPanelText(0, u"Waiting-2[Sec]");
  unit.settings.Init(kSampleDevice);
}

}  // namespace th
