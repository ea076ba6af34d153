#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/Errors.h"
#include "tests/app/EventLogFixture.h"
#include "tests/support/SystemHelpers.h"

namespace th::test {
namespace {

TEST_F(EventLogTest, FirstEntryCreatesTheFileAndLaterOnesAppend) {
  logLine(u"first");
  EXPECT_EQ(log(), "first\r\n");
  logLine(u"Station 4 : DataLogger no answer -2024-05-06 14:05:31");
  EXPECT_EQ(log(), "first\r\nStation 4 : DataLogger no answer -2024-05-06 14:05:31\r\n");
}

TEST_F(EventLogTest, EarlierContentIsKept) {
  WriteWholeFile(r.dir.path() / "LogFile.Log", "from an earlier run\r\nno line end");
  logLine(u"next");
  EXPECT_EQ(log(), "from an earlier run\r\nno line endnext\r\n");
}

TEST_F(EventLogTest, TheLastResortLogsShowsAndEndsTheProgram) {
  r.tool.lastResort.handle(std::make_exception_ptr(EInOutError::readBeyondEnd()));
  const std::string line = "Read beyond end of file - 2024-05-06 14:05:31";
  EXPECT_EQ(log(), line + "\r\n");
  EXPECT_EQ(r.view.panelText(3), FromUtf8(line));
  EXPECT_TRUE(r.loop.quitRequested());
}

TEST_F(EventLogTest, DateAndTimeUseTwoDigitsAndTheTimeSeparator) {
  r.sys.clock = {2009, 1, 2, 3, 4, 5};
  r.sys.separator = Text(u".");
  r.tool.lastResort.handle(std::make_exception_ptr(std::runtime_error("boom")));
  EXPECT_EQ(log(), "boom - 2009-01-02 03.04.05\r\n");
}

TEST_F(EventLogTest, EmptyMessageStartsWithTheDash) {
  r.tool.lastResort.handle(std::make_exception_ptr(std::runtime_error("")));
  EXPECT_EQ(log(), " - 2024-05-06 14:05:31\r\n");
}

TEST_F(EventLogTest, AFailingLogWriteStillEndsTheProgram) {
  std::filesystem::create_directory(r.dir.path() / "LogFile.Log");
  EXPECT_NO_THROW(r.tool.lastResort.handle(std::make_exception_ptr(std::runtime_error("x"))));
  EXPECT_TRUE(r.loop.quitRequested());
  EXPECT_EQ(r.view.panelText(3), u"x - 2024-05-06 14:05:31");
}

TEST_F(EventLogTest, ExceptionsOfOtherTypesAreLoggedToo) {
  r.tool.lastResort.handle(std::make_exception_ptr(42));
  EXPECT_EQ(log().substr(0, 3), "Unk");
  EXPECT_TRUE(r.loop.quitRequested());
}

TEST_F(EventLogTest, ExceptionFromAWindowEventReachesTheHandler) {
  r.tool.shell.onCreate();
  r.loop.post([] { throw EInOutError::fromErrno(AccessDeniedError()); });
  r.loop.run();
  EXPECT_EQ(log(), "File access denied - 2024-05-06 14:05:31\r\n");
  EXPECT_EQ(r.now(), 0u);
}

}  // namespace
}  // namespace th::test
