#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <stdexcept>

#include "platform/Errors.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

class EventLogTest : public ::testing::Test {
 protected:
  std::string log() const { return ReadWholeFile(r.dir.path() / "LogFile.Log"); }
  void logLine(const Text& text) {
    r.rs.LogMessage = text;
    r.unit.log.SaveLog();
  }
  NullPort port;
  Rig r{port};
};

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

TEST_F(EventLogTest, TextIsWrittenAsUtf8WithoutAByteOrderMark) {
  logLine(u"Z\u00E4hler \u20AC");
  EXPECT_EQ(log(), "Z\xC3\xA4hler \xE2\x82\xAC\r\n");
}

TEST_F(EventLogTest, UnwritableLogRaisesAnInputOutputError) {
  std::filesystem::create_directory(r.dir.path() / "LogFile.Log");
  r.rs.LogMessage = u"lost";
  try {
    r.unit.log.SaveLog();
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 21");  // EISDIR
  }
}

// SaveLog's message, or "" when it succeeded. A FIFO that the old open would
// wait on is opened for reading after two seconds, so a regression fails
// instead of hanging.
std::string SaveLogOutcome(Tidehaul& unit, const std::filesystem::path& log) {
  auto outcome = std::async(std::launch::async, [&unit] {
    try {
      unit.log.SaveLog();
      return std::string();
    } catch (const EInOutError& e) {
      return std::string(e.what());
    }
  });
  if (outcome.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
    const int release = ::open(log.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const std::string late = outcome.get();
    ::close(release);
    return "blocked, then: " + late;
  }
  return outcome.get();
}

TEST_F(EventLogTest, AnythingButARegularFileIsRefusedWithoutWaiting) {
  const auto path = r.dir.path() / "LogFile.Log";
  r.rs.LogMessage = u"lost";

  // A FIFO nobody reads: the open must not wait for a reader.
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(SaveLogOutcome(r.unit, path), "I/O error 22");

  // A FIFO somebody reads: nothing may go into it.
  const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(SaveLogOutcome(r.unit, path), "I/O error 22");
  char byte = 0;
  EXPECT_EQ(::read(reader, &byte, 1), 0);  // no writer came: end of stream, no data
  ::close(reader);

  // A device behind a link.
  std::filesystem::remove(path);
  std::filesystem::create_symlink("/dev/null", path);
  EXPECT_EQ(SaveLogOutcome(r.unit, path), "I/O error 22");

  // A link to a regular file is still followed.
  std::filesystem::remove(path);
  WriteWholeFile(r.dir.path() / "real.log", "");
  std::filesystem::create_symlink(r.dir.path() / "real.log", path);
  EXPECT_EQ(SaveLogOutcome(r.unit, path), "");
  EXPECT_EQ(ReadWholeFile(r.dir.path() / "real.log"), "lost\r\n");
}

TEST_F(EventLogTest, AppExceptionLogsShowsAndEndsTheProgram) {
  r.unit.log.AppException(std::make_exception_ptr(EInOutError::ReadBeyondEnd()));
  const std::string line = "Read beyond end of file - 2024-05-06 14:05:31";
  EXPECT_EQ(log(), line + "\r\n");
  EXPECT_EQ(r.view.panelText(3), FromUtf8(line));
  EXPECT_EQ(r.rs.LogMessage, FromUtf8(line));
  EXPECT_TRUE(r.loop.quitRequested());
}

TEST_F(EventLogTest, DateAndTimeUseTwoDigitsAndTheTimeSeparator) {
  r.sys.clock = {2009, 1, 2, 3, 4, 5};
  r.sys.separator = Text(u".");
  r.unit.log.AppException(std::make_exception_ptr(std::runtime_error("boom")));
  EXPECT_EQ(log(), "boom - 2009-01-02 03.04.05\r\n");
}

TEST_F(EventLogTest, EmptyMessageStartsWithTheDash) {
  r.unit.log.AppException(std::make_exception_ptr(std::runtime_error("")));
  EXPECT_EQ(log(), " - 2024-05-06 14:05:31\r\n");
}

TEST_F(EventLogTest, UnrepresentableCharactersAreReplacedInTheLogOnly) {
  // A lone surrogate half has no form in the file's encoding.
  const Text message = Text(u"bad ") + char16_t{0xD800} + u"!";
  r.unit.log.AppException(std::make_exception_ptr(Exception(ToUtf8(message))));
  EXPECT_EQ(log(), "bad \xEF\xBF\xBD! - 2024-05-06 14:05:31\r\n");
  EXPECT_EQ(r.view.panelText(3).substr(0, 4), u"bad ");
}

TEST_F(EventLogTest, AFailingLogWriteStillEndsTheProgram) {
  std::filesystem::create_directory(r.dir.path() / "LogFile.Log");
  EXPECT_NO_THROW(r.unit.log.AppException(std::make_exception_ptr(std::runtime_error("x"))));
  EXPECT_TRUE(r.loop.quitRequested());
  EXPECT_EQ(r.view.panelText(3), u"x - 2024-05-06 14:05:31");
}

TEST_F(EventLogTest, ExceptionsOfOtherTypesAreLoggedToo) {
  r.unit.log.AppException(std::make_exception_ptr(42));
  EXPECT_EQ(log().substr(0, 3), "Unk");
  EXPECT_TRUE(r.loop.quitRequested());
}

TEST_F(EventLogTest, ExceptionFromAWindowEventReachesTheHandler) {
  r.unit.shell.FormCreate();
  r.loop.post([] { throw EInOutError::FromErrno(EACCES); });
  r.loop.run();
  EXPECT_EQ(log(), "File access denied - 2024-05-06 14:05:31\r\n");
  EXPECT_EQ(r.now(), 0u);
}

}  // namespace
}  // namespace th::test
