// SIGTERM and SIGINT to the built tool, idle and in the middle of a job against
// the simulated logger.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "tests/e2e_fetch/Station.h"

namespace th::test {
namespace {

using Clock = std::chrono::steady_clock;
const std::filesystem::path kBin = TIDEHAUL_BIN_DIR;

// Waits up to `limit` for `done`; polls, it is a test.
bool WaitFor(const std::function<bool()>& done, Seconds limit) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= end) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The tool is up once its control socket listens.
bool Listening(pid_t pid) {
  const std::string table = ReadWholeFile("/proc/net/unix");
  return table.find("@TfTidehaul." + std::to_string(pid) + "\n") != std::string::npos;
}

TEST(StopSignalEndToEnd, WhileWaitingForANumberTheRunEndsAtOnceWithCodeZero) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    Station s;
    Process tool({s.file("tidehaul").string()});
    ASSERT_GT(tool.pid(), 0);
    ASSERT_TRUE(WaitFor([&] { return Listening(tool.pid()); }, Seconds(10)));
    const auto sent = Clock::now();
    ASSERT_EQ(::kill(tool.pid(), signal), 0);
    ASSERT_TRUE(tool.wait(Seconds(5)));
    const double took = Seconds(Clock::now() - sent).count();
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_LT(took, 1.0);
    EXPECT_FALSE(std::filesystem::exists(s.file("LogFile.Log")));
    const nlohmann::json record = OnlyJobRecord(s.dir());
    EXPECT_EQ(record["result"], "stopped");
    EXPECT_EQ(record["reason"], "Stopped by a close request");
    EXPECT_TRUE(record["device"].is_null());
    RecordProperty(signal == SIGTERM ? "sigterm_idle_seconds" : "sigint_idle_seconds",
                   std::to_string(took));
  }
}

TEST(StopSignalEndToEnd, SigtermDuringAFileReadWindsTheJobDownAndLeavesTerminalMode) {
  Station s;
  // About 14 kB at 2000 bytes/s: the read takes some seconds.
  s.startLogger({"--generate", "400", "--rate", "2000"});
  Process tool({s.file("tidehaul").string()});
  ASSERT_GT(tool.pid(), 0);
  ASSERT_EQ(RunToEnd({(kBin / "tidehaul-send").string(), "--pid", std::to_string(tool.pid()),
                      "--wait", "10", std::to_string(Station::kDevice)}),
            0);
  ASSERT_TRUE(WaitFor(
      [&] { return ReadWholeFile(s.file("logger.log")).find(" CMD fread ") != std::string::npos; },
      Seconds(30)));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_NE(s.state().find("\"terminal_mode\": true"), std::string::npos);

  const auto sent = Clock::now();
  ASSERT_EQ(::kill(tool.pid(), SIGTERM), 0);
  ASSERT_TRUE(tool.wait(Seconds(20)));
  const double took = Seconds(Clock::now() - sent).count();
  EXPECT_EQ(tool.exitCode(), 0);
  EXPECT_LT(took, 3.0);
  RecordProperty("sigterm_to_exit_seconds", std::to_string(took));

  // The simulator ends once the tool has closed the port.
  ASSERT_TRUE(WaitFor([&] { return s.state().find("\"running\": false") != std::string::npos; },
                      Seconds(10)));
  const std::string state = s.state();
  EXPECT_NE(state.find("\"terminal_mode\": false"), std::string::npos) << state;
  EXPECT_NE(state.find("\"closes\": 1"), std::string::npos) << state;
  // Nothing was deleted on the logger: the stopped read is fetched again next time.
  EXPECT_TRUE(s.loggerDeleted().empty());
  EXPECT_EQ(s.loggerFiles(), std::vector<std::string>{"\\SL01\\SL010.TXT"});

  const nlohmann::json record = OnlyJobRecord(s.dir());
  ExpectStationJob(record);
  EXPECT_EQ(record["result"], "stopped");
  EXPECT_EQ(
      record["reason"].get<std::string>().rfind("File fetch incomplete, stopped, read of ", 0), 0u)
      << record["reason"];
  EXPECT_EQ(record["clock_set"], true);
  EXPECT_EQ(record["fetch_complete"], false);
  EXPECT_EQ(record["files"][0]["deleted"], false);
}

}  // namespace
}  // namespace th::test
