// tidehaul.exe: one download job per start. Takes no arguments; reads
// Setting.dat beside the executable, waits for a device number in a
// WM_COPYDATA message to its window (class TfTidehaul, title "Tidehaul Ver
// 1.4.9"), runs the job and closes itself. The exit code is always 0. Closing
// the window (the close button, or WM_CLOSE from another program) stops it:
// a running job winds down first.
#include "app/Tool.h"
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
  th::Panes panes;
  th::MainWindow window(panes, loop);
  th::SerialLinkPort port(loop, sys.executableDirectory());
  th::Tool tool(loop, window, port, sys, panes);

  window.setOnStart([&tool] { tool.shell.onStartButton(); });
  window.setOnCloseRequest([&tool, &loop] {
    tool.shell.onCloseRequest();
    loop.quit();
  });
  window.setOnCopyData(
      [&tool](const th::ControlMessage& data) { tool.shell.onControlMessage(data); });
  tool.shell.setWindowCloser([&window] { window.close(); });

  tool.shell.onCreate();
  window.show();
  loop.post([&tool] { tool.shell.onFirstShow(); });

  loop.run();
  // Close the port while the logic it notifies still exists: a batch already
  // queued by the event thread runs during the close.
  if (port.isOpen()) {
    port.close();
  }
  tool.shell.onRunEnd();
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
