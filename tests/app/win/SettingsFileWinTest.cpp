// The settings file's open failures with the error codes of Windows.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/win/WinApi.h"
#include "tests/app/SettingOpenErrors.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

TEST(SettingOpenErrors, MessagesFollowTheWindowsError) {
  ExpectOpenErrorMessages({{ERROR_FILE_NOT_FOUND, "File not found"},
                           {ERROR_PATH_NOT_FOUND, "Invalid filename"},
                           {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
                           {ERROR_ACCESS_DENIED, "File access denied"},
                           {ERROR_SHARING_VIOLATION, "I/O error 32"},
                           {ERROR_LOCK_VIOLATION, "I/O error 33"}});
}

// Held by another program without sharing: the real open fails with 32.
TEST(SettingOpenErrors, SettingsHeldWithoutSharingAreIoError32) {
  NullPort port;
  Rig r(port);
  WriteWholeFile(r.dir.path() / "Setting.dat", std::string(498780, '\0'));
  const std::wstring path = (r.dir.path() / "Setting.dat").wstring();
  HANDLE held = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    r.tool.settings.load();
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 32");
  }
  ::CloseHandle(held);
  EXPECT_NO_THROW(r.tool.settings.load());
}

}  // namespace
}  // namespace th::test
