#include "tests/app/SettingOpenErrors.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
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

}  // namespace

void ExpectOpenErrorMessages(const std::vector<OpenErrorCase>& cases) {
  NullPort port;
  Rig r(port);
  FailingOpen sys(r.dir.str());
  Runtime rt{r.rs, r.panes, r.loop, r.view, port, sys};
  Tidehaul unit(rt);
  WriteWholeFile(r.dir.path() / "Setting.dat", "x");
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

}  // namespace th::test
