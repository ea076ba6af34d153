#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>
#include <sstream>

#include "app/Setup.h"
#include "tests/support/TestPlatform.h"
#include "tools/settings/SettingsFields.h"
#include "tools/settings/SettingsTool.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using settings::Json;

class SettingsToolTest : public ::testing::Test {
 protected:
  int run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return settings::RunSettingsTool(args, out, err);
  }
  th::Setup record(int n) const {
    const std::string bytes = ReadWholeFile(file);
    th::Setup s{};
    std::memcpy(&s, bytes.data() + static_cast<std::size_t>(n) * kSetupSize, sizeof s);
    return s;
  }
  std::size_t filesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path()), {}));
  }

  TempDir dir;
  std::string file = (dir.path() / "Setting.dat").string();
  std::ostringstream out, err;
};

TEST_F(SettingsToolTest, SetCreatesAZeroFilledFileOf255Records) {
  ASSERT_EQ(run({"set", file, "3", "DeviceSet.DeviceName=Station 4", "DeviceSet.LogID=01",
                 "PortSet.COMPORT=12", "PortSet.Baudrate=9600", "ScheduleSet.intervalMin=30",
                 "ScheduleSet.SensorNoCheck=true"}),
            0)
      << err.str();
  const std::string bytes = ReadWholeFile(file);
  ASSERT_EQ(bytes.size(), kSettingsFileSize);
  const th::Setup s = record(3);
  EXPECT_EQ(s.DeviceSet.DeviceName.text(), u"Station 4");
  EXPECT_EQ(s.DeviceSet.LogID.text(), u"01");
  EXPECT_EQ(s.PortSet.COMPORT.get(), 12);
  EXPECT_EQ(s.PortSet.Baudrate.text(), u"9600");
  EXPECT_EQ(s.ScheduleSet.intervalMin.get(), 30);
  EXPECT_TRUE(s.ScheduleSet.SensorNoCheck.get());
  // The name at offset 12 of record 3, everything outside record 3 zero.
  EXPECT_EQ(bytes.substr(3 * kSetupSize + 12, 10), std::string("\x09Station 4"));
  EXPECT_EQ(bytes.substr(0, 3 * kSetupSize), std::string(3 * kSetupSize, '\0'));
  EXPECT_EQ(bytes.substr(4 * kSetupSize), std::string(251 * kSetupSize, '\0'));
  EXPECT_EQ(filesInDir(), 1u);  // no temporary file left behind
}

TEST_F(SettingsToolTest, ShowPrintsFieldsUnderTheirRecordNames) {
  ASSERT_EQ(run({"set", file, "7", "ModemSet.ModemType=B/T(QM515)", "ScheduleSet.DelayMin=-5",
                 "ScheduleSet.AppendData=1", "_Q9RSetPath=x", "SaveFileSet._Q9RFileName=y"}),
            0)
      << err.str();
  ASSERT_EQ(run({"show", file, "7"}), 0) << err.str();
  const Json j = Json::parse(out.str());
  EXPECT_EQ(j["record"], 7);
  EXPECT_EQ(j["ModemSet"]["ModemType"], "B/T(QM515)");
  EXPECT_EQ(j["ScheduleSet"]["DelayMin"], -5);
  EXPECT_EQ(j["ScheduleSet"]["AppendData"], true);
  EXPECT_EQ(j["ScheduleSet"]["SchDown"], false);
  EXPECT_EQ(j["DeviceSet"]["DeviceName"], "");
  EXPECT_EQ(j["_Q9RSetPath"], "x");
  EXPECT_EQ(j["SaveFileSet"]["_Q9RFileName"], "y");
  // Every named field is shown; padding is not.
  std::size_t shown = 0;
  for (const auto& [key, value] : j.items()) {
    shown += value.is_object() ? value.size() : 1;
  }
  EXPECT_EQ(shown, settings::Fields().size() + 1);  // + "record"
}

TEST_F(SettingsToolTest, ShowWithoutARecordListsTheRecordsThatAreNotAllZero) {
  ASSERT_EQ(run({"set", file, "0", "PortSet.COMPORT=1"}), 0);
  ASSERT_EQ(run({"set", file, "254", "ScheduleSet.CheckSum=true"}), 0);
  ASSERT_EQ(run({"show", file}), 0) << err.str();
  const Json j = Json::parse(out.str());
  ASSERT_EQ(j.size(), 2u);
  EXPECT_EQ(j[0]["record"], 0);
  EXPECT_EQ(j[1]["record"], 254);
  EXPECT_EQ(j[1]["ScheduleSet"]["CheckSum"], true);
}

TEST_F(SettingsToolTest, ShowDecodesWhatTheToolDecodes) {
  std::string bytes(kSettingsFileSize, '\0');
  bytes[12] = 3;  // DeviceName "A" + a byte that is no UTF-8 + "B"
  bytes[13] = 'A';
  bytes[14] = '\xE9';
  bytes[15] = 'B';
  bytes[113] = 9;  // LogID: length above its capacity of 2
  bytes[114] = '0';
  bytes[115] = '5';
  bytes[425] = 2;  // a Boolean byte of 2
  WriteWholeFile(file, bytes);
  ASSERT_EQ(run({"show", file, "0"}), 0) << err.str();
  const Json j = Json::parse(out.str());
  EXPECT_EQ(j["DeviceSet"]["DeviceName"],
            "A\xC3\xA9"
            "B");
  EXPECT_EQ(j["DeviceSet"]["LogID"], "05");
  EXPECT_EQ(j["ScheduleSet"]["SensorNoCheck"], true);
}

TEST_F(SettingsToolTest, BadInputGetsAClearMessageAndLeavesTheFileUnchanged) {
  ASSERT_EQ(run({"set", file, "5", "DeviceSet.DeviceName=Kept"}), 0);
  const std::string before = ReadWholeFile(file);
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"set", file, "5", "DeviceSet.Nickname=x"}, "unknown field \"DeviceSet.Nickname\""},
      {{"set", file, "5", "DeviceSet.LogID=123"}, "longer than its capacity of 2"},
      {{"set", file, "5", "DeviceSet.LogID=\xC3\xA4x"}, "text of 3 bytes"},
      {{"set", file, "5", "PortSet.COMPORT=2147483648"}, "not a whole number"},
      {{"set", file, "5", "PortSet.COMPORT=-2147483649"}, "not a whole number"},
      {{"set", file, "5", "PortSet.COMPORT=3x"}, "not a whole number"},
      {{"set", file, "5", "PortSet.COMPORT="}, "not a whole number"},
      // Nothing around the number, a tab no more than a blank (found by fuzzing).
      {{"set", file, "5", "PortSet.COMPORT= 3"}, "not a whole number"},
      {{"set", file, "5", "PortSet.COMPORT=3\t"}, "not a whole number"},
      {{"set", file, "5", "ScheduleSet.DelayMin=\t-3"}, "not a whole number"},
      {{"set", file, "5", "ScheduleSet.SchDown=yes"}, "not true, false, 1 or 0"},
      {{"set", file, "255", "PortSet.COMPORT=1"}, "record \"255\""},
      {{"set", file, "-1", "PortSet.COMPORT=1"}, "record \"-1\""},
      {{"set", file, "x", "PortSet.COMPORT=1"}, "record \"x\""},
      {{"set", file, "5", "PortSet.COMPORT"}, "is not FIELD=VALUE"},
      // One bad assignment refuses the good ones before it too.
      {{"set", file, "5", "DeviceSet.DeviceName=New", "PortSet.Parity=toolong"}, "capacity of 5"},
      {{"show", file, "256"}, "record \"256\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.args), 1) << c.message;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    EXPECT_EQ(ReadWholeFile(file), before) << c.message;
  }
  EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(SettingsToolTest, FilesOfTheWrongSizeAreRefused) {
  for (const std::size_t size : {kSettingsFileSize - 1, kSettingsFileSize + 1, std::size_t{0}}) {
    const std::string bytes(size, '\x01');
    WriteWholeFile(file, bytes);
    EXPECT_EQ(run({"set", file, "1", "PortSet.COMPORT=3"}), 1);
    EXPECT_NE(err.str().find("has " + std::to_string(size) + " bytes"), std::string::npos)
        << err.str();
    EXPECT_EQ(ReadWholeFile(file), bytes);
    EXPECT_EQ(run({"show", file}), 1);
  }
  EXPECT_EQ(run({"show", (dir.path() / "missing.dat").string()}), 1);
  EXPECT_NE(err.str().find("cannot read"), std::string::npos);
}

TEST_F(SettingsToolTest, AFifoOrDeviceInPlaceOfTheFileIsRefusedWithoutWaiting) {
  const fs::path fifo = dir.path() / "fifo.dat";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path device = dir.path() / "device.dat";
  fs::create_symlink("/dev/zero", device);
  for (const fs::path& path : {fifo, device}) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"show", path.string()},
          std::vector<std::string>{"show", path.string(), "3"},
          std::vector<std::string>{"set", path.string(), "3", "PortSet.COMPORT=4"}}) {
      SCOPED_TRACE(args[0] + " " + path.filename().string());
      std::ostringstream o, e;
      auto status =
          std::async(std::launch::async, [&] { return settings::RunSettingsTool(args, o, e); });
      if (status.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
        // Let a blocked open go on, so the failure shows instead of a hang.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        status.wait();
        ::close(writer);
        ADD_FAILURE() << "the tool waited on the FIFO";
      }
      EXPECT_EQ(status.get(), 1);
      EXPECT_NE(e.str().find(path.string() + " is not a regular file"), std::string::npos)
          << e.str();
      EXPECT_TRUE(o.str().empty());
    }
  }
  // Both stay what they were.
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(device));
  EXPECT_EQ(fs::read_symlink(device), "/dev/zero");
  EXPECT_EQ(filesInDir(), 2u);
}

TEST_F(SettingsToolTest, UsageErrors) {
  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(run({"show"}), 2);
  EXPECT_EQ(run({"set", file, "1"}), 2);
  EXPECT_EQ(run({"remove", file}), 2);
  EXPECT_NE(err.str().find("usage"), std::string::npos);
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(SettingsToolTest, RewriteKeepsTheModeOtherRecordsAndALink) {
  ASSERT_EQ(run({"set", file, "2", "DeviceSet.DeviceName=two", "PortSet.StopBits=1.5"}), 0);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::path link = dir.path() / "link.dat";
  fs::create_symlink(file, link);
  ASSERT_EQ(run({"set", link.string(), "2", "DeviceSet.DeviceName=second", "TCPIPSet.Port=80"}), 0)
      << err.str();
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::status(file).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const th::Setup s = record(2);
  EXPECT_EQ(s.DeviceSet.DeviceName.text(), u"second");
  EXPECT_EQ(s.PortSet.StopBits.text(), u"1.5");
  EXPECT_EQ(s.TCPIPSet.Port.text(), u"80");
  // A shorter text leaves no trace of the longer one.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.DeviceSet.DeviceName.chars) + 6, 4),
            std::string(4, '\0'));
}

TEST_F(SettingsToolTest, EveryFieldRoundTrips) {
  // Integers get -7, Booleans true, texts the longest start of their name that fits.
  std::vector<std::string> args = {"set", file, "9"};
  std::vector<Json> expected;
  for (const auto& f : settings::Fields()) {
    th::Setup probe{};
    if (f.set(probe, "x")) {  // refused: a number or a Boolean
      const bool isInt = !f.set(probe, "-7");
      args.push_back(f.fullName() + (isInt ? "=-7" : "=true"));
      expected.push_back(isInt ? Json(-7) : Json(true));
    } else {
      std::string text = f.name;
      while (f.set(probe, text)) {
        text.pop_back();
      }
      args.push_back(f.fullName() + "=" + text);
      expected.emplace_back(text);
    }
  }
  ASSERT_EQ(run(args), 0) << err.str();
  ASSERT_EQ(run({"show", file, "9"}), 0);
  const Json j = Json::parse(out.str());
  for (std::size_t i = 0; i < settings::Fields().size(); ++i) {
    const auto& f = settings::Fields()[i];
    EXPECT_EQ(f.record.empty() ? j[f.name] : j[f.record][f.name], expected[i]) << f.fullName();
  }
}

}  // namespace
}  // namespace th::test
