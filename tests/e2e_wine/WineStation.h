#pragma once
// A station under Wine: tidehaul.exe copied into a temporary folder with its
// Setting.dat, the simulated logger (the Linux tidehaul-logger-sim) on a
// pseudo-terminal linked into the Wine prefix as COM3, and the parent
// program's part played by tidehaul-send.exe. The Wine session (display,
// prefix, server) is the caller's: tools/wine-tests.sh sets it up and names
// the Windows build's programs in TIDEHAUL_WIN_BIN. Its wine server runs in
// the foreground (wineserver -f): a server that made itself a session leader
// would take the pseudo-terminal as its controlling terminal and get its
// hang-up when the simulator ends.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e_fetch/Station.h"

namespace th::test {

// The Windows programs and the Wine session, from the environment; Available()
// is false outside such a session.
struct WineSession {
  static bool Available();
  static std::filesystem::path WindowsBin();
  static std::filesystem::path Prefix();
  // The wine server's CPU seconds so far (it works for every Wine program).
  static double ServerCpuSeconds();
  // `wine PROGRAM ARGS...` with the display kept (Process drops it).
  static std::vector<std::string> Command(const std::vector<std::string>& programAndArgs);
};

class WineStation : public StationFolder {
 public:
  WineStation();
  ~WineStation();
  WineStation(const WineStation&) = delete;
  WineStation& operator=(const WineStation&) = delete;

  // The folder as the Windows program sees it ("Z:\tmp\...").
  static std::string WindowsPath(const std::filesystem::path& path);

  // Starts the simulator with these extra options, linked as COM3; waits for
  // READY. In a session with the modem-line shim its pseudo-terminal has modem
  // lines (--modem-lines), with Wine's sleeps between its looks at them
  // stretched: the whole jobs measure the tool's CPU, and Wine's 1 ms looks
  // at the lines of a pending wait cost some 65 ms a second in the tool's
  // process, which Windows does not spend.
  void startLogger(const std::vector<std::string>& options);
  // The simulator's transcript entries of one kind ("DTE": the lines the
  // tool set; "DCE": the simulator's), with their times in ms.
  std::vector<std::pair<std::int64_t, std::string>> transcript(const std::string& kind) const;
  // Starts tidehaul.exe; Process of `wine tidehaul.exe`.
  void startTool();
  // Runs `wine tidehaul-send.exe ARGS...`; its exit code.
  int send(const std::vector<std::string>& args);
  // Runs another program of the Windows build under Wine; its exit code.
  int runWindowsProgram(const std::string& program, const std::vector<std::string>& args = {},
                        const std::string& out = "/dev/null");
  // Starts the tool, names device 3, waits for both to end. False on a hang.
  bool runJob();
  // Waits for the tool to end.
  bool waitTool(double seconds);
};

// A file the simulator exported (--export), under the station's folder.
std::string Exported(const std::filesystem::path& dir, const std::string& name);
// The Linux tool's data file for the same logger and settings.
std::string LinuxDataFile(const std::vector<std::string>& settings,
                          const std::vector<std::string>& logger);

}  // namespace th::test
