#include <gtest/gtest.h>

#include <cstring>

#include "platform/Errors.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"
#include "tests/support/SystemHelpers.h"

namespace th::test {
namespace {

// A file image whose every byte tells its position apart.
std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  }
  return bytes;
}

// The whole table: the records lie one after the other.
std::string TableBytes(Rig& r) {
  return {reinterpret_cast<const char*>(&r.device(0)), kSettingsFileSize};
}

class SettingOpenTest : public ::testing::Test {
 protected:
  void write(const std::string& bytes) { WriteWholeFile(r.dir.path() / "Setting.dat", bytes); }
  NullPort port;
  Rig r{port};
};

TEST_F(SettingOpenTest, NoFileLeavesTheTableZeroAndRaisesNothing) {
  EXPECT_NO_THROW(r.tool.settings.load());
  EXPECT_EQ(TableBytes(r), std::string(kSettingsFileSize, '\0'));
  EXPECT_FALSE(std::filesystem::exists(r.dir.path() / "Setting.dat"));  // never created
}

TEST_F(SettingOpenTest, ExactFileIsLoadedByteForByte) {
  const std::string bytes = Pattern(kSettingsFileSize);
  write(bytes);
  r.tool.settings.load();
  EXPECT_EQ(TableBytes(r), bytes);
  EXPECT_EQ(ReadWholeFile(r.dir.path() / "Setting.dat"), bytes);  // the tool writes nothing
}

TEST_F(SettingOpenTest, LongerFileLoadsItsFirst498780Bytes) {
  const std::string bytes = Pattern(kSettingsFileSize + 1000);
  write(bytes);
  EXPECT_NO_THROW(r.tool.settings.load());
  EXPECT_EQ(TableBytes(r), bytes.substr(0, kSettingsFileSize));
}

TEST_F(SettingOpenTest, ShortFileLoadsWhatItHasThenRaisesReadBeyondEnd) {
  for (const std::size_t size :
       {kSettingsFileSize - 1, std::size_t{1956 * 3 + 10}, std::size_t{0}}) {
    std::memset(static_cast<void*>(&r.device(0)), 0, kSettingsFileSize);
    const std::string bytes = Pattern(size);
    write(bytes);
    try {
      r.tool.settings.load();
      ADD_FAILURE() << "no error for " << size << " bytes";
    } catch (const EInOutError& e) {
      EXPECT_STREQ(e.what(), "Read beyond end of file");
    }
    const std::string table = TableBytes(r);
    EXPECT_EQ(table.substr(0, size), bytes) << size;
    EXPECT_EQ(table.substr(size), std::string(kSettingsFileSize - size, '\0')) << size;
  }
}

TEST_F(SettingOpenTest, ReadOnlyFileIsAccessDenied) {
  if (!FilePermissionsBind()) {
    GTEST_SKIP() << "root opens read-only files for writing";
  }
  write(Pattern(kSettingsFileSize));
  std::filesystem::permissions(r.dir.path() / "Setting.dat", std::filesystem::perms::owner_read);
  try {
    r.tool.settings.load();
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "File access denied");
  }
}

TEST(SettingOpenAtStart, ShortFileIsLoggedAndEndsTheRunAtOnce) {
  NullPort port;
  Rig r(port);
  WriteWholeFile(r.dir.path() / "Setting.dat", Pattern(kSettingsFileSize - 1));
  r.tool.shell.onCreate();
  r.loop.post([&] { r.tool.shell.onFirstShow(); });
  r.loop.run();
  EXPECT_EQ(r.now(), 0u);
  EXPECT_TRUE(r.view.history(0).empty());  // no tick came
  EXPECT_EQ(r.view.history(3),
            std::vector<std::string>{"Read beyond end of file - 2024-05-06 14:05:31"});
  EXPECT_EQ(ReadWholeFile(r.dir.path() / "LogFile.Log"),
            "Read beyond end of file - 2024-05-06 14:05:31\r\n");
}

}  // namespace
}  // namespace th::test
