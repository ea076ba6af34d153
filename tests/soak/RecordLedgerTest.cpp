// The ledger's verdict on data files written by hand: what counts as lost,
// corrupted (and how a line is damaged) and duplicated, for one job and for
// jobs in a row on one station.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/e2e_fetch/RecordLedger.h"
#include "tests/e2e_fetch/Station.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kA = "24-05-06 14:00:00,1.00,2.00";
const std::string kB = "24-05-06 14:10:00,3.00,4.00";
const std::string kC = "24-05-06 14:20:00,5.00,6.00";
const std::string kPa = "24-05-06 14:00:00,7.00";  // partners in the second logger file
const std::string kPb = "24-05-06 14:10:00,8.00";

std::string Joined(const Lines& lines, const std::string& end = "\r\n") {
  std::string out;
  for (const auto& l : lines) {
    out += l + end;
  }
  return out;
}

// What a job left: the logger's files at start, what it appended and still
// holds, and the data files.
struct Job {
  Job(Lines first, Lines second, Lines appended, Lines heldFirst, Lines data, Lines unpaired = {},
      std::string lineEnd = "\r\n")
      : first(std::move(first)),
        second(std::move(second)),
        appended(std::move(appended)),
        heldFirst(std::move(heldFirst)),
        data(std::move(data)),
        unpaired(std::move(unpaired)),
        lineEnd(std::move(lineEnd)) {}

  Lines first;
  Lines second;
  Lines appended;  // to the first logger file
  Lines heldFirst;
  Lines data;
  Lines unpaired;
  std::string lineEnd;
};

void Write(const StationFolder& s, const Job& job) {
  for (const char* dir : {"exported", "held", "data"}) {
    fs::remove_all(s.file(dir));
  }
  fs::create_directories(s.file("exported") / "SL01");
  fs::create_directories(s.file("held") / "SL01");
  fs::create_directories(s.file("data"));
  WriteWholeFile(s.file("exported") / "SL01" / "SL010.TXT", Joined(job.first, job.lineEnd));
  if (!job.second.empty()) {
    WriteWholeFile(s.file("exported") / "SL01" / "SL011.TXT", Joined(job.second));
  }
  if (!job.heldFirst.empty()) {
    WriteWholeFile(s.file("held") / "SL01" / "SL010.TXT", Joined(job.heldFirst));
  }
  nlohmann::json appended = nlohmann::json::array();
  for (const auto& line : job.appended) {
    appended.push_back({{"file", "\\SL01\\SL010.TXT"}, {"line", line}});
  }
  WriteWholeFile(s.file("logger.json"), nlohmann::json{{"appended", appended}}.dump());
  WriteWholeFile(s.file("data") / "CR000.TXT", Joined(job.data));
  WriteWholeFile(s.file("data") / "CR001.TXT", Joined(job.data));
  if (!job.unpaired.empty()) {
    WriteWholeFile(s.file("data") / "CR000_unpaired.TXT", Joined(job.unpaired));
  }
}

struct Case {
  std::string name;
  Job job;
  std::size_t lost, corrupted, duplicated;
  std::string damage;  // the kind of the first damaged line, if any
};

TEST(RecordLedger, CountsLostCorruptedAndDuplicatedRecords) {
  const std::string kLongA = "2024-05-06 14:00:00,1.00";
  const std::string kLongPa = "2024-05-06 14:00:00,7.00";
  const Case cases[] = {
      {"all saved", {{kA, kB, kC}, {}, {}, {}, {kA, kB, kC}}, 0, 0, 0, ""},
      {"kept on the logger", {{kA, kB, kC}, {}, {}, {kB, kC}, {kA}}, 0, 0, 0, ""},
      {"deleted unsaved", {{kA, kB, kC}, {}, {}, {}, {kA, kC}}, 1, 0, 0, ""},
      {"appended and deleted", {{kA, kB}, {}, {kC}, {}, {kA, kB}}, 1, 0, 0, ""},
      {"last record cut", {{kA, kB, kC}, {}, {}, {}, {kA, kB, kC.substr(0, 24)}}, 0, 1, 0, "cut"},
      {"prompt glued on", {{kA, kB}, {}, {}, {}, {"> " + kA, kB}}, 0, 1, 0, "glued"},
      {"noise inside",
       {{kA, kB}, {}, {}, {}, {kA, kB.substr(0, 20) + "x!" + kB.substr(20)}},
       0,
       1,
       0,
       "garbled"},
      {"a line of no record", {{kA}, {}, {}, {}, {kA, "nonsense-line"}}, 0, 1, 0, "garbled"},
      {"saved twice", {{kA, kB}, {}, {}, {}, {kA, kB, kA}}, 0, 0, 1, ""},
      {"joined by stamp",
       {{kA, kB}, {kPa, kPb}, {}, {}, {kA + kPa.substr(17), kB + kPb.substr(17)}},
       0,
       0,
       0,
       ""},
      {"partner alone in the unpaired file",
       {{kA, kB}, {kPa, kPb}, {}, {}, {kA, kB + kPb.substr(17)}, {kPa}},
       0,
       0,
       0,
       ""},
      {"joined with another stamp's partner",
       {{kA, kB}, {kPa, kPb}, {}, {}, {kA + kPb.substr(17), kB}, {kPa}},
       0,
       2,
       0,
       "mis-joined"},
      {"a stamp that repeats is no join",
       {{kA, kB},
        {kPa, "24-05-06 14:00:00,9.00"},
        {},
        {},
        {kA + kPa.substr(17), kB},
        {"24-05-06 14:00:00,9.00"}},
       0,
       2,
       0,
       "mis-joined"},
      {"four-digit years cut at 17",
       {{kLongA}, {kLongPa}, {}, {}, {kLongA + kLongPa.substr(17)}},
       0,
       2,
       0,
       "mis-joined"},
      {"line feeds alone glue a file",
       {{kA, kB, kC}, {}, {}, {}, {kA + kB + kC}, {}, "\n"},
       0,
       3,
       0,
       "glued"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    StationFolder s;
    Write(s, k.job);
    const LedgerReport r = CheckRecords(s);
    EXPECT_EQ(r.lost, k.lost) << r.describe();
    EXPECT_EQ(r.corrupted, k.corrupted) << r.describe();
    EXPECT_EQ(r.duplicated, k.duplicated) << r.describe();
    EXPECT_EQ(r.damagedBy.empty() ? "" : r.damagedBy.begin()->first, k.damage);
    EXPECT_EQ(r.clean(), k.lost + k.corrupted + k.duplicated == 0);
  }
}

TEST(RecordLedger, FollowsJobsInARowOnOneStation) {
  StationFolder s;
  RecordLedger ledger(CurrentYear());
  // The first job saves both records but the logger keeps them.
  Write(s, {{kA, kB}, {}, {}, {kA, kB}, {kA, kB}});
  ledger.addJob(s);
  EXPECT_TRUE(ledger.check(s).clean());
  EXPECT_EQ(ledger.held(), 2U);
  // The next logger run starts from them and a new record; all three are
  // saved and deleted: the two kept ones are there twice.
  Write(s, {{kA, kB, kC}, {}, {}, {}, {kA, kB, kA, kB, kC}});
  ledger.addJob(s);
  const LedgerReport r = ledger.check(s);
  EXPECT_EQ(r.records, 3U);
  EXPECT_EQ(r.duplicated, 2U);
  EXPECT_EQ(r.lost, 0U);
  // A third run that deletes a record it never saved loses it.
  Write(s, {{"24-05-06 14:30:00,0.00"}, {}, {}, {}, {kA, kB, kA, kB, kC}});
  ledger.addJob(s);
  EXPECT_EQ(ledger.check(s).lost, 1U);
}

}  // namespace
}  // namespace th::test
