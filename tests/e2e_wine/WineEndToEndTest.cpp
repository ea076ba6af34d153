// Whole jobs of tidehaul.exe under Wine against the Linux simulator, checked
// against what the Linux tool writes for the same logger; the wait timer, a
// broken settings file, malformed control messages and WM_CLOSE; the other
// Windows programs as a user runs them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QColor>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <regex>
#include <thread>

#include "tests/e2e_wine/WineStation.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Paths = std::vector<std::string>;

class WineEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!WineSession::Available()) {
      GTEST_SKIP() << "needs a Wine session: run tools/wine-tests.sh";
    }
  }
};

// The CPU the tool and the wine server use from the meter's start. The job's
// share of a core is the tool's own time over the wall time, as the Linux
// job reports it; the server, which stands in for the system's window and
// file services, is shown beside it. The server also serves Wine's own
// desktop and services, with or without the tool: its rate over two quiet
// seconds before the start is shown, and the share beyond it.
class CpuMeter {
 public:
  CpuMeter() {
    const double quietStart = WineSession::ServerCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    serverBefore_ = WineSession::ServerCpuSeconds();
    idlePerSecond_ = (serverBefore_ - quietStart) / 2.0;
    start_ = Clock::now();
  }

  // Prints the figures and returns the tool's own share, in per cent of a core.
  double report(const char* what, WineStation& w) const {
    const double took = std::chrono::duration<double>(Clock::now() - start_).count();
    const double server = WineSession::ServerCpuSeconds() - serverBefore_;
    const double tool = w.tool()->cpuSeconds();
    const double idle = idlePerSecond_ * took;
    std::printf(
        "%s under Wine: %.2f s, tool CPU %.3f s (%.1f%% of a core), wine server CPU %.3f s; "
        "together %.1f%%, the server's idle rate would give %.3f s of it, so %.1f%% beyond\n",
        what, took, tool, 100.0 * tool / took, server, 100.0 * (tool + server) / took, idle,
        100.0 * (tool + server - idle) / took);
    return 100.0 * tool / took;
  }

 private:
  double serverBefore_ = 0;
  double idlePerSecond_ = 0;
  Clock::time_point start_;
};

// Runs the job under Wine and checks what every whole job must show.
void RunWholeJob(WineStation& w, const std::vector<std::string>& logger) {
  w.startLogger(logger);
  const CpuMeter cpu;
  ASSERT_TRUE(w.runJob());
  // Far above the tool's share, far below a wait that spins.
  EXPECT_LT(cpu.report("whole job", w), 5.0);
  EXPECT_EQ(w.tool()->exitCode(), 0);
  EXPECT_EQ(w.rejected(), 0);
  EXPECT_EQ(w.loggerFiles(), Paths{});
  EXPECT_FALSE(fs::exists(w.file("LogFile.Log"))) << w.log();
  EXPECT_NE(w.state().find("\"terminal_mode\": false"), std::string::npos);
}

TEST_F(WineEndToEnd, DirectJobWritesWhatTheLinuxToolWrites) {
  // At the pace of the device's 9600-baud line, as a station's logger sends:
  // the job's CPU share is judged on a stream as long as a real one.
  const std::vector<std::string> logger = {"--generate", "200",    "--error-tags",
                                           "--year08",   "--rate", "960"};
  WineStation w;
  RunWholeJob(w, logger);
  const std::string expected = ExpectedDataLines(Exported(w.dir(), "SL010.TXT"), CurrentYear());
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 200);
  EXPECT_EQ(w.dataFile("CR000.TXT"), expected);
  EXPECT_EQ(w.dataFile("CR001.TXT"), expected);
  EXPECT_EQ(w.dataFile("CR000.TXT"), LinuxDataFile({}, logger));
}

TEST_F(WineEndToEnd, ModemJobWritesWhatTheLinuxToolWrites) {
  const std::vector<std::string> modem = {"ModemSet.ModemType=H316k", "ModemSet.Command=ATZ",
                                          "ModemSet.CallCMD=ATD", "ModemSet.ModemNo=0123",
                                          "ModemSet.DiscntCMD=ATH"};
  const std::vector<std::string> logger = {"--modem", "--generate", "300", "--second-file"};
  WineStation w;
  w.settings(modem);
  w.settings({"ScheduleSet.SensorNoCheck=true"});
  RunWholeJob(w, logger);
  const std::string expected =
      JoinedDataLines(Exported(w.dir(), "SL010.TXT"), Exported(w.dir(), "SL011.TXT"));
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 300);
  EXPECT_EQ(w.dataFile("CR000.TXT"), expected);
  EXPECT_EQ(w.dataFile("CR001.TXT"), expected);
  EXPECT_NE(w.state().find("\"hangups\": 1"), std::string::npos);
  std::vector<std::string> linuxSettings = modem;
  linuxSettings.emplace_back("ScheduleSet.SensorNoCheck=true");
  EXPECT_EQ(w.dataFile("CR000.TXT"), LinuxDataFile(linuxSettings, logger));
}

TEST_F(WineEndToEnd, WithoutAMessageTheToolClosesAtTheEleventhTick) {
  WineStation w;
  const CpuMeter cpu;
  const auto start = Clock::now();
  w.startTool();
  ASSERT_TRUE(w.waitTool(40));
  cpu.report("idle tool", w);
  const std::chrono::duration<double> took = Clock::now() - start;
  EXPECT_EQ(w.tool()->exitCode(), 0);
  EXPECT_GE(took.count(), 10.5);
  EXPECT_LT(took.count(), 25.0);
  EXPECT_FALSE(fs::exists(w.file("LogFile.Log")));
}

TEST_F(WineEndToEnd, SettingsFileOneByteShortWritesOneLogLineAndEnds) {
  WineStation w;
  fs::resize_file(w.file("Setting.dat"), fs::file_size(w.file("Setting.dat")) - 1);
  const CpuMeter cpu;
  w.startTool();
  ASSERT_TRUE(w.waitTool(20));
  cpu.report("start and exit", w);
  EXPECT_EQ(w.tool()->exitCode(), 0);
  const std::string log = w.log();
  EXPECT_TRUE(std::regex_match(
      log, std::regex("Read beyond end of file - \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n")))
      << log;
}

TEST_F(WineEndToEnd, MalformedControlMessagesLeaveTheToolWorking) {
  WineStation w;
  w.startLogger({"--generate", "20"});
  w.startTool();
  // The window appears within a few seconds; until then the probe finds none.
  int probe = 2;
  const auto end = Clock::now() + Seconds(30);
  while (probe == 2 && Clock::now() < end) {
    probe = w.runWindowsProgram("copydata_probe.exe", {}, w.file("probe.out").string());
  }
  EXPECT_EQ(probe, 0) << ReadWholeFile(w.file("probe.out"));
  // Still there, and a good message afterwards runs the job.
  ASSERT_EQ(w.send({"3"}), 0);
  ASSERT_TRUE(w.waitTool(120));
  EXPECT_EQ(w.tool()->exitCode(), 0);
  EXPECT_EQ(w.dataFile("CR000.TXT"),
            ExpectedDataLines(Exported(w.dir(), "SL010.TXT"), CurrentYear()));
  EXPECT_EQ(w.loggerFiles(), Paths{});
}

TEST_F(WineEndToEnd, CloseDuringAFileReadWindsTheJobDownAndLeavesTerminalMode) {
  WineStation w;
  // About 14 kB at 2000 bytes/s: the read takes some seconds.
  w.startLogger({"--generate", "400", "--rate", "2000"});
  w.startTool();
  ASSERT_EQ(w.send({"--wait", "30", "3"}), 0);
  const auto end = Clock::now() + Seconds(30);
  while (ReadWholeFile(w.file("logger.log")).find(" CMD fread ") == std::string::npos &&
         Clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_NE(w.state().find("\"terminal_mode\": true"), std::string::npos);
  // WM_CLOSE from another program: the close button's way.
  const auto sent = Clock::now();
  ASSERT_EQ(w.runWindowsProgram("copydata_probe.exe", {"close"}), 0);
  ASSERT_TRUE(w.waitTool(20));
  const double took = std::chrono::duration<double>(Clock::now() - sent).count();
  std::printf("close to exit under Wine: %.2f s\n", took);
  EXPECT_EQ(w.tool()->exitCode(), 0);
  EXPECT_LT(took, 8.0);
  const auto stateEnd = Clock::now() + Seconds(10);
  while (w.state().find("\"running\": false") == std::string::npos && Clock::now() < stateEnd) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string state = w.state();
  EXPECT_NE(state.find("\"terminal_mode\": false"), std::string::npos) << state;
  // Nothing was deleted on the logger: the stopped read is fetched again next time.
  EXPECT_EQ(w.loggerFiles(), Paths{"\\SL01\\SL010.TXT"})
      << state << ReadWholeFile(w.file("logger.log"));
}

TEST_F(WineEndToEnd, ScreenshotToolWritesAPictureOfTheWindow) {
  WineStation w;
  const std::string out = WineStation::WindowsPath(w.file("window.png"));
  ASSERT_EQ(w.runWindowsProgram("tidehaul-screenshot.exe", {out}), 0);
  QImage picture;
  ASSERT_TRUE(picture.load(QString::fromStdString(w.file("window.png").string()), "PNG"));
  // The client area at 96 dpi, in the window's colours: the red device name
  // in the settings area, white panes below it.
  EXPECT_EQ(picture.size(), QSize(672, 462));
  int red = 0;
  for (int y = 10; y < 40; ++y) {
    for (int x = 130; x < 500; ++x) {
      const QColor c = picture.pixelColor(x, y);
      red += c.red() > 200 && c.green() < 80 && c.blue() < 80 ? 1 : 0;
    }
  }
  EXPECT_GT(red, 200);
  EXPECT_EQ(picture.pixelColor(100, 400), QColor(Qt::white));
  ASSERT_EQ(w.runWindowsProgram("tidehaul-screenshot.exe", {out, "1060x500"}), 0);
  ASSERT_TRUE(picture.load(QString::fromStdString(w.file("window.png").string()), "PNG"));
  EXPECT_EQ(picture.size(), QSize(1060, 500));
  EXPECT_EQ(w.runWindowsProgram("tidehaul-screenshot.exe", {out, "big"}), 2);
}

TEST_F(WineEndToEnd, SendToolCommandLine) {
  WineStation w;
  EXPECT_EQ(w.runWindowsProgram("tidehaul-send.exe", {"--help"}, w.file("help").string()), 0);
  EXPECT_NE(ReadWholeFile(w.file("help")).find("usage: tidehaul-send [--wait SECONDS] TEXT"),
            std::string::npos);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-send.exe", {"--version"}, w.file("version").string()), 0);
  EXPECT_EQ(ReadWholeFile(w.file("version")), "tidehaul-send " TIDEHAUL_VERSION "\r\n");
  EXPECT_EQ(w.runWindowsProgram("tidehaul-send.exe", {}), 2);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-send.exe", {"1", "2"}), 2);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-send.exe", {"--wait", "x", "3"}), 2);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-send.exe", {"--bogus", "3"}), 2);
  // No tool runs: a clear failure, after the wait.
  const auto start = Clock::now();
  EXPECT_EQ(w.runWindowsProgram("tidehaul-send.exe", {"--wait", "1", "3"}), 1);
  EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 1.0);
}

TEST_F(WineEndToEnd, SettingsToolWritesWhatTheLinuxToolWritesAndRefusesNonFiles) {
  WineStation w;
  const std::vector<std::string> fields = {"DeviceSet.DeviceName=Station 4", "PortSet.COMPORT=7",
                                           "ScheduleSet.SensorNoCheck=true"};
  std::vector<std::string> args = {"set", WineStation::WindowsPath(w.file("win.dat")), "5"};
  args.insert(args.end(), fields.begin(), fields.end());
  ASSERT_EQ(w.runWindowsProgram("tidehaul-settings.exe", args), 0);
  args = {(fs::path(TIDEHAUL_BIN_DIR) / "tidehaul-settings").string(), "set",
          w.file("linux.dat").string(), "5"};
  args.insert(args.end(), fields.begin(), fields.end());
  ASSERT_EQ(RunToEnd(args), 0);
  EXPECT_EQ(ReadWholeFile(w.file("win.dat")), ReadWholeFile(w.file("linux.dat")));

  EXPECT_EQ(w.runWindowsProgram("tidehaul-settings.exe",
                                {"show", WineStation::WindowsPath(w.file("win.dat")), "5"},
                                w.file("shown").string()),
            0);
  EXPECT_NE(ReadWholeFile(w.file("shown")).find("\"DeviceName\": \"Station 4\""),
            std::string::npos);
  // A FIFO or a device in the file's place is refused at once, not opened.
  ASSERT_EQ(::mkfifo(w.file("fifo").c_str(), 0600), 0);
  const std::string fifo = WineStation::WindowsPath(w.file("fifo"));
  EXPECT_EQ(w.runWindowsProgram("tidehaul-settings.exe", {"show", fifo}), 1);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-settings.exe", {"set", fifo, "1", "PortSet.COMPORT=1"}),
            1);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-settings.exe", {"show", "NUL"}), 1);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-settings.exe", {"show", "COM3"}), 1);
  EXPECT_EQ(w.runWindowsProgram("tidehaul-settings.exe", {"--version"}, w.file("v").string()), 0);
  EXPECT_EQ(ReadWholeFile(w.file("v")), "tidehaul-settings " TIDEHAUL_VERSION "\r\n");
  EXPECT_EQ(w.runWindowsProgram("tidehaul-settings.exe", {"bogus"}), 2);
}

}  // namespace
}  // namespace th::test
