// The settings file's open failures with the errno values of Linux.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/Errors.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

// Open failures as the platform reports them, whoever runs the test.
class FailingOpen : public TestPlatform {
 public:
  using TestPlatform::TestPlatform;
  int readFile(const std::string&, std::size_t, std::string& out) override {
    out.clear();
    return error;
  }
  int error = 0;
};

TEST(SettingOpenErrors, MessagesFollowTheSystemError) {
  NullPort port;
  Rig r(port);
  FailingOpen sys(r.dir.str());
  Runtime rt{r.rs, r.panes, r.loop, r.view, port, sys};
  Tidehaul unit(rt);
  WriteWholeFile(r.dir.path() / "Setting.dat", "x");
  const struct {
    int error;
    const char* message;
  } cases[] = {{EACCES, "File access denied"},
               {EMFILE, "Too many open files"},
               {ENOENT, "File not found"},
               {EBUSY, "I/O error 16"},
               {EIO, "I/O error 5"}};
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

}  // namespace
}  // namespace th::test
