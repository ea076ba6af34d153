// The settings file's open failures with the error codes of Windows.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/win/WinApi.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

class FailingOpen : public TestPlatform {
 public:
  using TestPlatform::TestPlatform;
  int readFile(const std::string&, std::size_t, std::string& out) override {
    out.clear();
    return error;
  }
  int error = 0;
};

TEST(SettingOpenErrors, MessagesFollowTheWindowsError) {
  NullPort port;
  Rig r(port);
  FailingOpen sys(r.dir.str());
  Runtime rt{r.rs, r.panes, r.loop, r.view, port, sys};
  Tidehaul unit(rt);
  WriteWholeFile(r.dir.path() / "Setting.dat", "x");
  const struct {
    int error;
    const char* message;
  } cases[] = {{ERROR_FILE_NOT_FOUND, "File not found"},
               {ERROR_PATH_NOT_FOUND, "Invalid filename"},
               {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
               {ERROR_ACCESS_DENIED, "File access denied"},
               {ERROR_SHARING_VIOLATION, "I/O error 32"},
               {ERROR_LOCK_VIOLATION, "I/O error 33"}};
  for (const auto& c : cases) {
    sys.error = c.error;
    try {
      unit.settings.SettingOpen();
      ADD_FAILURE() << "no error for " << c.error;
    } catch (const EInOutError& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.ErrorCode, c.error);
    }
  }
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
    r.unit.settings.SettingOpen();
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "I/O error 32");
  }
  ::CloseHandle(held);
  EXPECT_NO_THROW(r.unit.settings.SettingOpen());
}

}  // namespace
}  // namespace th::test
