// The event log's file on Windows: texts in the ANSI code page, and a log
// that another program holds or that is not a file.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/win/WinApi.h"
#include "tests/app/EventLogFixture.h"

namespace th::test {
namespace {

std::string WriteMessage(EventLog& log) {
  try {
    log.write(u"lost");
    return {};
  } catch (const EInOutError& e) {
    return e.what();
  }
}

TEST_F(EventLogTest, TextIsWrittenInTheAnsiCodePageWithoutAByteOrderMark) {
  if (::GetACP() != 1252) {
    GTEST_SKIP() << "the expected bytes are those of code page 1252";
  }
  // A character the code page lacks becomes its default character, not a
  // look-alike.
  logLine(u"Z\u00E4hler \u20AC \u0100\u4E2D");
  EXPECT_EQ(log(), "Z\xE4hler \x80 ??\r\n");
}

TEST_F(EventLogTest, LogHeldWithoutSharingIsAnIoError32) {
  const std::wstring path = (r.dir.path() / "LogFile.Log").wstring();
  HANDLE held = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(WriteMessage(r.tool.log), "I/O error 32");
  ::CloseHandle(held);
  EXPECT_EQ(WriteMessage(r.tool.log), "");
  EXPECT_EQ(log(), "lost\r\n");
}

TEST_F(EventLogTest, LogThatIsAFolderIsRefused) {
  std::filesystem::create_directory(r.dir.path() / "LogFile.Log");
  EXPECT_EQ(WriteMessage(r.tool.log), "File access denied");
}

// A device name in the file's place is never opened: a serial port would
// raise its lines, a console would take the text.
TEST(EventLogDevices, DeviceNamesAreRefusedWithoutOpeningThem) {
  const auto sys = MakeSystemServices();
  for (const char* device : {"NUL", "C:\\somewhere\\COM1", "\\\\.\\NUL", "CON"}) {
    EXPECT_EQ(sys->appendFile(device, "x"), ERROR_INVALID_PARAMETER) << device;
  }
}

}  // namespace
}  // namespace th::test
