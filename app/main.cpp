// tidehaul: one download job per start. Takes no arguments; reads Setting.dat
// beside the executable, waits for a device number on its control socket, runs
// the job and closes itself. The exit code is always 0. SIGTERM or SIGINT
// closes it like the window's close button (a running job winds down); a
// second one ends it at once.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/StopSignals.h"
#include "app/Tool.h"
#include "app/linux/ControlSocket.h"
#include "platform/LineList.h"
#include "platform/linux/LinuxPlatformServices.h"
#include "platform/qt/QtEventLoop.h"
#include "serial/SerialLinkPort.h"
#include "ui/window/MainWindow.h"

namespace {

// A station PC without a desktop, and CI, have no display: draw off screen.
void PickPlatform() {
  const bool display = std::getenv("DISPLAY") != nullptr ||
                       std::getenv("WAYLAND_DISPLAY") != nullptr ||
                       std::getenv("QT_QPA_PLATFORM") != nullptr;
  if (!display) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
}

void Run(int& argc, char** argv) {
  QApplication app(argc, argv);
  // The shell decides when the run ends, not the last window.
  QApplication::setQuitOnLastWindowClosed(false);

  th::QtEventLoop loop;
  th::LinuxPlatformServices sys;
  th::Panes panes;
  th::MainWindow window(panes);
  th::SerialLinkPort port(loop, sys.executableDirectory());
  th::Tool tool(loop, window, port, sys, panes);

  window.setOnStart([&tool] { tool.shell.onStartButton(); });
  window.setOnCloseRequest([&tool, &loop] {
    tool.shell.onCloseRequest();
    loop.quit();
  });
  tool.shell.setWindowCloser([&window] { window.close(); });
  const th::StopSignals stop(loop, [&tool] { tool.shell.closeWindow(); });
  if (!stop.watching()) {
    std::fprintf(stderr, "tidehaul: cannot watch for stop signals; they end the run at once\n");
  }

  tool.shell.onCreate();
  window.show();
  loop.post([&tool] { tool.shell.onFirstShow(); });

  th::ControlSocket control(
      loop, [&tool](const th::ControlMessage& data) { tool.shell.onControlMessage(data); });
  const std::string name = th::ControlSocket::defaultName();
  if (const int error = control.listen(name); error != 0) {
    std::fprintf(stderr, "tidehaul: cannot listen on %s: %s\n", name.c_str(), std::strerror(error));
  }

  loop.run();
  // Close the port while the logic it notifies still exists: a batch already
  // queued by the event thread runs during the close.
  if (port.isOpen()) {
    port.close();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Before Qt or anything else starts a thread: every thread must hold them back.
  th::StopSignals::hold();
  PickPlatform();
  try {
    Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tidehaul: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "tidehaul: unknown failure\n");
  }
  return 0;
}
