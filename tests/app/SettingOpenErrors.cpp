#include "tests/app/SettingOpenErrors.h"

#include <gtest/gtest.h>

#include "app/SettingsFile.h"
#include "platform/Errors.h"
#include "tests/support/TestPlatform.h"

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

}  // namespace

void ExpectOpenErrorMessages(const std::vector<OpenErrorCase>& cases) {
  TempDir dir;
  FailingOpen sys(dir.str());
  SettingsFile settings(sys);
  WriteWholeFile(dir.path() / "Setting.dat", "x");
  for (const auto& c : cases) {
    sys.error = c.error;
    try {
      settings.load();
      ADD_FAILURE() << "no error for " << c.error;
    } catch (const EInOutError& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.errorCode, c.error);
    }
  }
}

}  // namespace th::test
