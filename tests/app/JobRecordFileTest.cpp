// Jobs.jsonl on real files, and the one record a run leaves, in virtual time.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/Errors.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

class JobRecordFileTest : public ::testing::Test {
 protected:
  std::string file(const char* name) const { return ReadWholeFile(r.dir.path() / name); }
  void append(const std::string& line) { r.tool.records.append(line, u"Station 4"); }
  std::string entry(const std::string& what, int error) const {
    return "Station 4 : " + what + ", " + ToUtf8(EInOutError::fromErrno(error).message()) +
           " -2024-05-06 14:05:31\r\n";
  }
  NullPort port;
  Rig r{port};
};

TEST_F(JobRecordFileTest, LinesAppendAndACutLastLineIsEndedFirst) {
  append("{\"a\":1}\n");
  append("{\"b\":2}\n");
  EXPECT_EQ(file("Jobs.jsonl"), "{\"a\":1}\n{\"b\":2}\n");
  WriteWholeFile(r.dir.path() / "Jobs.jsonl", "{\"a\":1}\n{\"cut");
  append("{\"c\":3}\n");
  EXPECT_EQ(file("Jobs.jsonl"), "{\"a\":1}\n{\"cut\n{\"c\":3}\n");
  EXPECT_FALSE(fs::exists(r.dir.path() / "LogFile.Log"));
}

TEST_F(JobRecordFileTest, AFileThatReachedOneMebibyteBecomesTheOlderGeneration) {
  const std::string full(JobRecordFile::kRotateAt - 1, 'x');
  WriteWholeFile(r.dir.path() / "Jobs.1.jsonl", "oldest\n");
  WriteWholeFile(r.dir.path() / "Jobs.jsonl", full);
  append("{}\n");  // one byte short: appended
  EXPECT_EQ(file("Jobs.jsonl"), full + "\n{}\n");
  append("{\"next\":1}\n");
  EXPECT_EQ(file("Jobs.1.jsonl"), full + "\n{}\n");
  EXPECT_EQ(file("Jobs.jsonl"), "{\"next\":1}\n");
}

TEST_F(JobRecordFileTest, AFailedRotationIsLoggedAndTheRecordKept) {
  fs::create_directories(r.dir.path() / "Jobs.1.jsonl" / "in the way");
  const std::string full(JobRecordFile::kRotateAt, 'x');
  WriteWholeFile(r.dir.path() / "Jobs.jsonl", full + "\n");
  append("{}\n");
  EXPECT_EQ(file("Jobs.jsonl"), full + "\n{}\n");
  EXPECT_EQ(file("LogFile.Log").find("Station 4 : Job record file not rotated, "), 0u);
}

TEST_F(JobRecordFileTest, AFullDiskTakesNothingAndIsLogged) {
  WriteWholeFile(r.dir.path() / "Jobs.jsonl", "{\"a\":1}\n");
  r.sys.limitedFolder = r.dir.str() + "/Jobs";
  r.sys.spaceLeft = 5;
  append("{\"b\":2}\n");
  EXPECT_EQ(file("Jobs.jsonl"), "{\"a\":1}\n");
  EXPECT_EQ(file("LogFile.Log"), entry("Job record not written", DiskFullError()));
}

void StartAndRun(Rig& r) {
  r.tool.shell.onCreate();
  r.loop.post([&] { r.tool.shell.onFirstShow(); });
  r.loop.run();
  r.sys.clock.second = 52;  // the end is taken when the record is written
  r.tool.shell.onRunEnd();
  r.tool.shell.onRunEnd();  // one record per run
}

nlohmann::json OnlyRecord(const Rig& r) {
  const std::string text = ReadWholeFile(r.dir.path() / "Jobs.jsonl");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  return nlohmann::json::parse(text);
}

TEST(RunRecord, EveryRunEndsWithOneRecord) {
  const struct {
    const char* what;
    std::function<void(Rig&)> arrange;
    const char* result;
    const char* reason;
  } kRuns[] = {
      {"eleven ticks", [](Rig&) {}, "no_device", "No device named"},
      {"no record", [](Rig& r) { r.view.setPendingDevice(u"300"); }, "no_device",
       "Device 300 has no record"},
      {"close request",
       [](Rig& r) { r.loop.startTimer(2500, false, [&r] { r.tool.shell.closeWindow(); }); },
       "stopped", "Stopped by a close request"},
      {"short Setting.dat", [](Rig& r) { WriteWholeFile(r.dir.path() / "Setting.dat", "x"); },
       "settings_error", "Read beyond end of file"},
  };
  for (const auto& run : kRuns) {
    SCOPED_TRACE(run.what);
    NullPort port;
    Rig r(port);
    run.arrange(r);
    StartAndRun(r);
    const nlohmann::json j = OnlyRecord(r);
    EXPECT_EQ(j["result"], run.result);
    EXPECT_EQ(j["reason"], run.reason);
    EXPECT_EQ(j["start"], "2024-05-06T14:05:31+00:00");
    EXPECT_EQ(j["end"], "2024-05-06T14:05:52+00:00");
    EXPECT_TRUE(j["device"].is_null() && j["line"].is_null());
  }
}

TEST(RunRecord, AJobNamesItsDeviceAndLine) {
  NullPort port;
  Rig r(port);
  th::Setup& s = r.device(7);
  s.DeviceSet.DeviceName.setBytes("Station \"7\"");
  s.DeviceSet.LogID.setBytes("01");
  s.PortSet.COMPORT.set(12);
  s.PortSet.Baudrate.setBytes("12345");
  s.ModemSet.ModemType.setBytes("Direct");
  r.view.setPendingDevice(u"7");
  StartAndRun(r);
  const nlohmann::json j = OnlyRecord(r);
  EXPECT_EQ(j["device"],
            nlohmann::json::parse(R"({"index":7,"name":"Station \"7\"","logger_id":"01"})"));
  EXPECT_EQ(j["line"],
            nlohmann::json::parse(R"({"port":"COM12","baud":"12345","modem_type":"Direct"})"));
  EXPECT_EQ(j["result"], "no_connection");
  EXPECT_EQ(j["reason"], "Baud rate 12345 not supported");
}

}  // namespace
}  // namespace th::test
