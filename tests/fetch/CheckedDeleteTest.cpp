// The delete: a file goes only while it is what was read, asked right before
// each DEL line; whatever keeps it, the next job saves only what is new.
#include <gtest/gtest.h>

#include <functional>

#include "tests/fetch/FetchFixture.h"

namespace th::test {
namespace {

std::string Incomplete(const std::string& why) {
  return "Station 4 : File fetch incomplete, " + why +
         ", logger files kept -2024-05-06 14:05:31\r\n";
}

// Runs `action` on the `n`th command line that starts with `prefix`, once served.
void OnCommand(FetchRig& f, const std::string& prefix, int n, std::function<void()> action) {
  f.logger.afterCommand = [&f, prefix, n, action](const std::string& line) {
    if (line.rfind(prefix, 0) == 0 &&
        static_cast<int>(CountPrefix(f.logger.received, prefix)) == n) {
      action();
    }
  };
}

struct Case {
  const char* what;
  std::function<void(FetchRig&)> fault;
  Lines afterRead;  // the commands after the read, up to the close
  std::string log;  // the log after the first job
  int records;      // records the logger wrote in all
};

TEST(CheckedDelete, AFileGoesOnlyWhileItIsWhatWasRead) {
  const std::string size = "FSIZE " + kFirst;
  const std::string del = "DEL " + kFirst;
  const std::string record = DataLines(1, 300);
  const std::vector<Case> cases = {
      {"nothing happens", [](FetchRig&) {}, {"CD \\", "CD \\", size, del, size}, "", 30},
      {"a record logged during the CD lines",
       [&](FetchRig& f) {
         OnCommand(f, "CD", 1, [&f, record] { f.logger.files[kFirst] += record; });
       },
       {"CD \\", "CD \\", size},
       Incomplete("\\SL01\\SL010.TXT grew from 900 to 930 bytes"),
       31},
      {"a record logged right after the DEL: a new file",
       [&](FetchRig& f) {
         OnCommand(f, "DEL", 1, [&f, record] { f.logger.files[kFirst] = record; });
       },
       {"CD \\", "CD \\", size, del, size},
       "",
       31},
      {"the first DEL not taken",
       [](FetchRig& f) { f.logger.delsNotTaken = 1; },
       {"CD \\", "CD \\", size, del, size, del, size},
       "",
       30},
      {"no DEL taken",
       [](FetchRig& f) { f.logger.delsNotTaken = 2; },
       {"CD \\", "CD \\", size, del, size, del, size},
       Incomplete("DEL \\SL01\\SL010.TXT not taken"),
       30},
      {"a line after the save",
       [&](FetchRig& f) {
         OnCommand(f, "CD", 1, [&f] { f.port.deliver("24-05-06 09:00:00,late\r\n", 40); });
       },
       {"CD \\", "CD \\", size},
       Incomplete("bytes after the read: 24-05-06 09:00:00,late"),
       30},
      {"an echoing logger",
       [](FetchRig& f) { f.logger.echo = true; },
       {"CD \\", "CD \\", size, del, size},
       "",
       30},
      {"no size reply before the DEL",
       [&](FetchRig& f) { OnCommand(f, "CD", 2, [&f] { f.logger.mute.insert("fsize"); }); },
       {"CD \\", "CD \\", size, size},
       Incomplete("no size reply for \\SL01\\SL010.TXT before the delete"),
       30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FetchRig f;
    f.logger.files[kFirst] = DataLines(30);
    c.fault(f);
    JobReport report;
    f.rig.tool.fetch.fetch(f.settings(), report);
    const Lines& got = f.logger.received;
    const auto read = std::find(got.begin(), got.end(), "fread " + kFirst);
    ASSERT_NE(read, got.end());
    Lines afterRead(read + 1, got.end() - 1);
    EXPECT_EQ(afterRead, c.afterRead);
    EXPECT_EQ(f.logger.received.back(), "#M01 T C");
    EXPECT_EQ(f.logFile(), c.log);
    EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
    EXPECT_EQ(report.files[0].deleted, c.log.empty());

    // The next job, without the fault, saves what is new and empties the logger.
    f.logger.afterCommand = nullptr;
    f.logger.mute.clear();
    f.logger.delsNotTaken = 0;
    JobReport second;
    f.rig.tool.fetch.fetch(f.settings(), second);
    EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30) + (c.records > 30 ? record : ""));
    EXPECT_TRUE(f.logger.files.empty());
    EXPECT_TRUE(second.fetchComplete) << ToUtf8(second.failure);
  }
}

}  // namespace
}  // namespace th::test
