#include "SampleScene.h"

#include "SampleRecord.h"
#include "app/SettingsFile.h"
#include "platform/linux/LinuxPlatformServices.h"

namespace th {

void ShowSampleRecord(MainWindow& window) {
  LinuxPlatformServices sys;
  SettingsFile settings(sys);
  FillSampleRecord(settings.record(kSampleDevice));
  window.setPendingDevice(IntToText(kSampleDevice));
  window.showStage(u"Waiting-2[Sec]");
  window.showDevice(settings.display(kSampleDevice));
}

}  // namespace th
