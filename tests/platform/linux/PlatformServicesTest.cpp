#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
}  // namespace th::test
