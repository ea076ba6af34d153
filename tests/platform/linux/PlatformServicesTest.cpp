#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/linux/LinuxPlatformServices.h"
#include "tests/support/TestPlatform.h"

namespace th::test {
namespace {

TEST(LinuxPlatformServices, ReadingAFifoInPlaceOfAFileFailsInsteadOfHanging) {
  TempDir dir;
  const std::string fifo = dir.str() + "/Setting.dat";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  LinuxPlatformServices sys;
  std::string out;
  EXPECT_NE(sys.readFile(fifo, 100, out), 0);
  EXPECT_TRUE(out.empty());
}

TEST(LinuxPlatformServices, ShortFilesReadWhatTheyHold) {
  TempDir dir;
  const auto file = dir.path() / "f";
  WriteWholeFile(file, "abc");
  LinuxPlatformServices sys;
  std::string out;
  EXPECT_EQ(sys.readFile(file.string(), 100, out), 0);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(sys.appendFile(file.string(), "de"), 0);
  EXPECT_EQ(ReadWholeFile(file), "abcde");
  EXPECT_EQ(sys.readFile((dir.path() / "missing").string(), 1, out), ENOENT);
}

TEST(LinuxPlatformServices, RenameReplacesInOneStepAndPathsUseTheSlash) {
  TempDir dir;
  WriteWholeFile(dir.path() / "new", "new");
  WriteWholeFile(dir.path() / "old", "old");
  LinuxPlatformServices sys;
  EXPECT_EQ(sys.renameFile(dir.str() + "/new", dir.str() + "/old"), 0);
  EXPECT_EQ(ReadWholeFile(dir.path() / "old"), "new");
  EXPECT_EQ(sys.renameFile(dir.str() + "/new", dir.str() + "/old"), ENOENT);
  EXPECT_EQ(JoinPath("/srv/data", "A.TXT"), "/srv/data/A.TXT");
}

TEST(LinuxPlatformServices, LocalTimeCarriesItsOffsetFromUtc) {
  const char* before = std::getenv("TZ");
  const std::string saved = before != nullptr ? before : "";
  for (const auto& [zone, minutes] :
       {std::pair{"UTC0", 0}, std::pair{"IST-5:30", 330}, std::pair{"EST5", -300}}) {
    ::setenv("TZ", zone, 1);
    ::tzset();
    EXPECT_EQ(LinuxPlatformServices().now().utcOffsetMinutes, minutes) << zone;
  }
  if (before != nullptr) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace
}  // namespace th::test
