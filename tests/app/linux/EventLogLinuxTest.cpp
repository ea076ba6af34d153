// The event log's file on Linux: UTF-8 texts, and what stands in the file's place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "platform/Errors.h"
#include "tests/app/EventLogFixture.h"

namespace th::test {
namespace {

TEST_F(EventLogTest, TextIsWrittenAsUtf8WithoutAByteOrderMark) {
  logLine(u"Z\u00E4hler \u20AC");
  EXPECT_EQ(log(), "Z\xC3\xA4hler \xE2\x82\xAC\r\n");
}

TEST_F(EventLogTest, UnwritableLogRaisesAnInputOutputError) {
  std::filesystem::create_directory(r.dir.path() / "LogFile.Log");
  try {
    r.tool.log.write(u"lost");
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 21");  // EISDIR
  }
}

// The entry's failure message, or "" when it succeeded. A FIFO that the old open would
// wait on is opened for reading after two seconds, so a regression fails
// instead of hanging.
std::string WriteOutcome(EventLog& log, const std::filesystem::path& file) {
  auto outcome = std::async(std::launch::async, [&log] {
    try {
      log.write(u"lost");
      return std::string();
    } catch (const EInOutError& e) {
      return std::string(e.what());
    }
  });
  if (outcome.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
    const int release = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const std::string late = outcome.get();
    ::close(release);
    return "blocked, then: " + late;
  }
  return outcome.get();
}

TEST_F(EventLogTest, AnythingButARegularFileIsRefusedWithoutWaiting) {
  const auto path = r.dir.path() / "LogFile.Log";

  // A FIFO nobody reads: the open must not wait for a reader.
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(WriteOutcome(r.tool.log, path), "I/O error 22");

  // A FIFO somebody reads: nothing may go into it.
  const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(WriteOutcome(r.tool.log, path), "I/O error 22");
  char byte = 0;
  EXPECT_EQ(::read(reader, &byte, 1), 0);  // no writer came: end of stream, no data
  ::close(reader);

  // A device behind a link.
  std::filesystem::remove(path);
  std::filesystem::create_symlink("/dev/null", path);
  EXPECT_EQ(WriteOutcome(r.tool.log, path), "I/O error 22");

  // A link to a regular file is still followed.
  std::filesystem::remove(path);
  WriteWholeFile(r.dir.path() / "real.log", "");
  std::filesystem::create_symlink(r.dir.path() / "real.log", path);
  EXPECT_EQ(WriteOutcome(r.tool.log, path), "");
  EXPECT_EQ(ReadWholeFile(r.dir.path() / "real.log"), "lost\r\n");
}

TEST_F(EventLogTest, AFifoInPlaceOfTheJobRecordsCostsTheRecordAndOneEntry) {
  const auto path = r.dir.path() / "Jobs.jsonl";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  auto done =
      std::async(std::launch::async, [this] { r.tool.records.append("{}\n", u"Tidehaul"); });
  if (done.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
    const int release = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    done.get();
    ::close(release);
    ADD_FAILURE() << "the append waited for a reader";
  }
  EXPECT_EQ(log(), "Tidehaul : Job record not written, I/O error 22 -2024-05-06 14:05:31\r\n");
  EXPECT_TRUE(std::filesystem::is_fifo(path));
}

TEST_F(EventLogTest, UnrepresentableCharactersAreReplacedInTheLogOnly) {
  // A lone surrogate half has no form in the file's encoding.
  const Text message = Text(u"bad ") + char16_t{0xD800} + u"!";
  r.tool.lastResort.handle(std::make_exception_ptr(Exception(ToUtf8(message))));
  EXPECT_EQ(log(), "bad \xEF\xBF\xBD! - 2024-05-06 14:05:31\r\n");
  EXPECT_EQ(r.view.panelText(3).substr(0, 4), u"bad ");
}

}  // namespace
}  // namespace th::test
