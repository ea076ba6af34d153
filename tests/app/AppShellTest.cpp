#include <gtest/gtest.h>

#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

// Start the tool as program entry does: create, show, run the loop.
void StartAndRun(Rig& r) {
  r.unit.shell.FormCreate();
  r.loop.post([&] { r.unit.shell.FormShow(); });
  r.loop.run();
}

TEST(WaitTimer, ClosesAtTheEleventhTickWithoutANumber) {
  NullPort port;
  Rig r(port);
  StartAndRun(r);
  std::vector<std::string> expected;
  for (int i = 1; i <= 11; ++i) expected.push_back("Waiting-" + std::to_string(i) + "[Sec]");
  EXPECT_EQ(r.view.history(0), expected);
  EXPECT_EQ(r.now(), 11000u);
  EXPECT_TRUE(r.rs.delay_stop_flg);
  EXPECT_TRUE(r.rs.Stop_Flag);
  EXPECT_FALSE(r.loop.stalled());
}

}  // namespace
}  // namespace th::test
