// tidehaul.exe: one download job per start. Takes no arguments; reads
// Setting.dat beside the executable, waits for a device number in a
// WM_COPYDATA message to its window (class TfTidehaul, title "Tidehaul Ver
// 1.4.9"), runs the job and closes itself. The exit code is always 0. Closing
// the window (the close button, or WM_CLOSE from another program) stops it:
// a running job winds down first.
#include <memory>

#include "app/RunState.h"
#include "app/Runtime.h"
#include "app/Tidehaul.h"
#include "platform/LineList.h"
#include "platform/win/WinApi.h"
#include "platform/win/WinEventLoop.h"
#include "platform/win/WinPlatformServices.h"
#include "serial/SerialLinkPort.h"
#include "ui/win/MainWindow.h"
#include "ui/win/WinControls.h"

namespace {

void Run() {
  // The layout is scaled for the screen's resolution by the window itself.
  ::SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  th::WinEventLoop loop;
  th::WinPlatformServices sys;
  const auto rs = std::make_unique<th::RunState>();  // the settings table is half a megabyte
  th::Panes panes;
  th::TfTidehaul window(panes, loop);
  th::SerialLinkPort port(loop, sys.executableDirectory());
  th::Runtime rt{*rs, panes, loop, window, port, sys};
  th::Tidehaul unit(rt);

  window.setOnStart([&unit] { unit.shell.SpeedButton3Click(); });
  window.setOnCloseRequest([&unit, &loop] {
    bool CanClose = true;
    unit.shell.FormCloseQuery(CanClose);
    loop.quit();
  });
  window.setOnCopyData([&unit](const th::ControlMessage& data) { unit.shell.WMCopyData(data); });
  unit.shell.SetWindowCloser([&window] { window.close(); });

  unit.shell.FormCreate();
  window.show();
  loop.post([&unit] { unit.shell.FormShow(); });

  loop.run();
  // Close the port while the logic it notifies still exists: a batch already
  // queued by the event thread runs during the close.
  if (port.isOpen()) {
    port.close();
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  try {
    Run();
  } catch (...) {
    // A program without a console has nowhere to say it; the exit code is 0
    // all the same.
  }
  return 0;
}
