// Every record exactly once, with the real binaries: a job against a logger
// that misbehaves, then a clean job on the same station that fetches what the
// first kept. The ledger over both jobs finds no record lost, damaged or saved
// twice.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e_fetch/RecordLedger.h"
#include "tests/e2e_fetch/Station.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Options = std::vector<std::string>;

struct OnceCase {
  const char* name;
  Options fault;    // the first job's logger
  bool wide;        // a second logger file of wide records
  bool lasting;     // the fault is the logger's way: the second job has it too
  bool emptied;     // the second job leaves the logger empty
  bool firstHolds;  // the logger holds a file after the first job (kept, or begun anew)
};

const OnceCase kCases[] = {
    // A size too short or zero, and a pause once the announced bytes are in.
    {"SizeShortPauseAtSize",
     {"--size-offset", "-200", "--read-pause", "size=500"},
     false,
     false,
     true,
     true},
    {"SizeZeroPause",
     {"--size-reply", "zero", "--read-pause", "50%=400"},
     false,
     false,
     true,
     true},
    {"SizeCountsLineEndsAsOne", {"--size-crlf-as-one"}, false, false, true, true},
    // A last record whose end comes late, after the count was reached.
    {"SizeShortLateTail",
     {"--size-offset", "-20", "--late-tail", "5=500"},
     false,
     false,
     true,
     true},
    {"HeaderLateTail",
     {"--read-prefix", "header", "--late-tail", "4=500"},
     false,
     false,
     true,
     true},
    // Records the logger writes around the delete.
    {"RecordDuringCdLines", {"--append-on", "cd"}, false, false, true, true},
    {"RecordBetweenDels", {"--append-on", "del"}, false, false, true, true},
    // Bytes that are not the file's, before and inside the data.
    {"PromptBeforeData", {"--read-prefix", "prompt"}, false, false, true, true},
    {"NoiseInsideData", {"--read-noise", "50%=3"}, false, false, true, true},
    {"NoiseWithCrInsideData",
     {"--read-noise", "50%=3", "--read-noise-cr"},
     false,
     false,
     true,
     true},
    // Line feeds alone (the logger's file keeps them): never emptied, never saved glued.
    {"LineFeedsAlone", {"--lf-only"}, false, false, false, true},
    // The join: a repeated stamp beside a missing partner; four-digit years.
    {"RepeatedStampMissingPartner",
     {"--repeat-stamp", "0:3", "--missing-record", "1:2"},
     true,
     false,
     true,
     false},
    {"LongYearMissingPartner",
     {"--long-year", "--missing-record", "1:5"},
     true,
     false,
     true,
     false},
    // Lasting faults and a record between the size and the read.
    {"SizeAlwaysLong", {"--size-offset", "5"}, false, true, false, true},
    {"RecordBetweenSizeAndRead", {"--append-on", "size"}, false, false, true, true},
};

void PrintTo(const OnceCase& c, std::ostream* os) {
  *os << c.name;
}

class ExactlyOnce : public ::testing::TestWithParam<OnceCase> {};

TEST_P(ExactlyOnce, TwoJobsSaveEveryRecordOnce) {
  const OnceCase& c = GetParam();
  Station s;
  RecordLedger ledger(CurrentYear());
  Options first = {"--generate", "40", "--seed", "7"};
  if (c.wide) {
    s.settings({"ScheduleSet.SensorNoCheck=true"});
    first.insert(first.end(), {"--second-file", "--channels", "100"});
  }
  first.insert(first.end(), c.fault.begin(), c.fault.end());
  s.startLogger(first);
  ASSERT_TRUE(s.runJob());
  s.stopLogger();
  EXPECT_EQ(s.tool()->exitCode(), 0);
  EXPECT_EQ(s.rejected(), 0);
  EXPECT_EQ(!s.loggerFiles().empty(), c.firstHolds) << s.log();
  ledger.addJob(s);
  const LedgerReport afterFirst = ledger.check(s);
  EXPECT_TRUE(afterFirst.clean()) << afterFirst.describe();

  // The logger as the first job left it.
  fs::remove_all(s.file("start"));
  fs::copy(s.file("held"), s.file("start"), fs::copy_options::recursive);
  fs::remove_all(s.file("held"));
  fs::remove_all(s.file("exported"));
  Options second = {"--files", s.file("start").string()};
  if (c.lasting) {
    second.insert(second.end(), c.fault.begin(), c.fault.end());
  }
  s.startLogger(second);
  ASSERT_TRUE(s.runJob());
  s.stopLogger();
  EXPECT_EQ(s.rejected(), 0);
  ledger.addJob(s);
  const LedgerReport afterSecond = ledger.check(s);
  EXPECT_TRUE(afterSecond.clean()) << afterSecond.describe();
  EXPECT_GT(afterSecond.records, 0u);
  EXPECT_EQ(s.loggerFiles().empty(), c.emptied) << s.log();
}

INSTANTIATE_TEST_SUITE_P(Faults, ExactlyOnce, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExactlyOnceFile, ADataFileWithoutItsLineEndGetsOneBeforeTheAppend) {
  Station s;
  const std::string before = "24-05-05 23:50:00,1.00,2.00";
  WriteWholeFile(s.file("data") / "CR000.TXT", before);
  s.startLogger({"--generate", "10"});
  ASSERT_TRUE(s.runJob());
  s.stopLogger();
  EXPECT_EQ(s.dataFile("CR000.TXT"),
            before + "\r\n" +
                ExpectedDataLines(ReadWholeFile(s.file("exported") / "SL01" / "SL010.TXT"),
                                  CurrentYear()));
  EXPECT_NE(s.log().find("did not end with a line end, one added"), std::string::npos) << s.log();
  EXPECT_TRUE(s.loggerFiles().empty());
}

}  // namespace
}  // namespace th::test
