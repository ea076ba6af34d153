// The count rules: a file's lines are saved only when the read brought the
// file whole, and the file is deleted only on an exact count. Each fault is
// followed by a clean job on the same logger: every record ends up in the data
// files once.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/PlatformServices.h"
#include "tests/fetch/FetchFixture.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* what;
  std::function<void(FetchRig&)> fault;
  int saved;             // records in the data file after the faulty job
  bool deleted;          // the logger file went in the faulty job
  std::string logStart;  // the first log entry begins so ("" for none)
};

void ClearFaults(FakeLogger& logger) {
  logger.sizeReply.clear();
  logger.sizeOffset.clear();
  logger.readPause.clear();
  logger.readPrefix.clear();
  logger.readNoise.clear();
  logger.lateTail.clear();
  logger.afterCommand = nullptr;
  logger.bytesPer10Ms = 200;
}

std::string Incomplete(const std::string& why) {
  return "Station 4 : File fetch incomplete, " + why;
}

TEST(FetchCountRules, EveryRecordOnceWhateverTheReadBrought) {
  const std::string f1 = kFirst;
  const std::vector<Case> cases = {
      {"a size 200 short, a pause at the size in a line",
       [&](FetchRig& f) {
         f.logger.sizeOffset[f1] = -200;
         f.logger.readPause[f1] = {700, 500};
       },
       0, false, Incomplete("bytes after the read of \\SL01\\SL010.TXT: ")},
      {"a size 210 short, a pause at the size between two lines",
       [&](FetchRig& f) {
         f.logger.sizeOffset[f1] = -210;
         f.logger.readPause[f1] = {690, 500};
       },
       23, false, Incomplete("bytes after the read: 24-05-06 03:50:00,1.25,-3.50")},
      {"FS:0 and a pause of 0.4 s",
       [&](FetchRig& f) {
         f.logger.sizeReply[f1] = "FS:0";
         f.logger.readPause[f1] = {300, 400};
       },
       0, false, Incomplete("bytes after the read of \\SL01\\SL010.TXT: ")},
      {"line ends counted as one byte", [&](FetchRig& f) { f.logger.sizeOffset[f1] = -30; }, 0,
       false, Incomplete("\\SL01\\SL010.TXT sent 900 bytes for a size of 870")},
      {"a size 3 short, the last 3 bytes 0.8 s late",
       [&](FetchRig& f) {
         f.logger.sizeOffset[f1] = -3;
         f.logger.lateTail[f1] = {3, 800};
       },
       0, false, Incomplete("bytes after the read of \\SL01\\SL010.TXT: 0")},
      {"a header line before the data, the last 9 bytes 0.8 s late",
       [&](FetchRig& f) {
         f.logger.readPrefix[f1] = "READ OK\r\n";
         f.logger.lateTail[f1] = {9, 800};
       },
       0, false, Incomplete("bytes after the read of \\SL01\\SL010.TXT: ")},
      {"a size too long", [&](FetchRig& f) { f.logger.sizeOffset[f1] = 5; }, 0, false,
       Incomplete("read of \\SL01\\SL010.TXT stopped at 900 of 905 bytes")},
      {"100 bytes a second, the size 600 short: still coming after 3 s",
       [&](FetchRig& f) {
         f.logger.sizeOffset[f1] = -600;
         f.logger.bytesPer10Ms = 1;
       },
       0, false, Incomplete("bytes after the read of \\SL01\\SL010.TXT: ")},
      {"a prompt without line end in the read",
       [&](FetchRig& f) { f.logger.readPrefix[f1] = "> "; }, 0, false,
       Incomplete("\\SL01\\SL010.TXT sent 902 bytes for a size of 900")},
      {"a prompt without line end before the read",
       [&](FetchRig& f) {
         f.logger.afterCommand = [&f](const std::string& line) {
           if (line == "FSIZE " + kFirst && CountPrefix(f.logger.received, "FSIZE") == 1) {
             f.port.deliver("> ", 100);
           }
         };
       },
       30, true, "Station 4 : Text before the read of \\SL01\\SL010.TXT left out: >  -"},
      {"three bytes of noise inside a record",
       [&](FetchRig& f) {
         f.logger.readNoise[f1] = {100, "x#z"};
       },
       0, false, Incomplete("\\SL01\\SL010.TXT sent 903 bytes for a size of 900")},
      {"noise with a CR inside a record",
       [&](FetchRig& f) {
         f.logger.readNoise[f1] = {100, "x\rz"};
       },
       0, false, Incomplete("\\SL01\\SL010.TXT sent 903 bytes for a size of 900")},
      {"line feeds alone as line ends",
       [&](FetchRig& f) { std::erase(f.logger.files[kFirst], '\r'); }, 0, false,
       Incomplete("line feed without carriage return in \\SL01\\SL010.TXT")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FetchRig f;
    f.logger.files[kFirst] = DataLines(30);
    c.fault(f);
    const bool lineFeeds = f.logger.files[kFirst].find('\r') == std::string::npos;
    JobReport report;
    f.rig.tool.fetch.fetch(f.settings(), report);
    const fs::path data = fs::path(f.dataDir()) / "A.TXT";
    EXPECT_EQ(fs::exists(data) ? f.dataFile("A.TXT") : "", c.saved > 0 ? DataLines(c.saved) : "");
    EXPECT_EQ(f.logger.files.empty(), c.deleted);
    EXPECT_EQ(f.logFile().rfind(c.logStart, 0), 0u) << f.logFile();
    EXPECT_EQ(report.fetchComplete, c.deleted);

    // The same logger, now without the fault.
    ClearFaults(f.logger);
    if (lineFeeds) {
      f.logger.files[kFirst] = DataLines(30);
    }
    if (!c.deleted) {
      JobReport second;
      f.rig.tool.fetch.fetch(f.settings(), second);
      EXPECT_TRUE(second.fetchComplete) << ToUtf8(second.failure);
      ASSERT_EQ(second.files.size(), 1u);
      EXPECT_EQ(second.files[0].recordsSkipped, c.saved);
      EXPECT_EQ(second.files[0].recordsSaved, 30 - c.saved);
    }
    EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
    EXPECT_TRUE(f.logger.files.empty());
  }
}

TEST(FetchCountRules, ALastLineWithoutItsEndIsFiledOnlyWhenTheFileCameWhole) {
  struct Tail {
    const char* what;
    std::size_t late;  // bytes of the last line that come 800 ms late
    std::string saved;
  };
  std::string file = DataLines(30);
  file.resize(file.size() - 2);
  for (const Tail& t : {Tail{"whole", 0, DataLines(30)}, Tail{"its last bytes late", 3, ""}}) {
    SCOPED_TRACE(t.what);
    FetchRig f;
    f.logger.files[kFirst] = file;
    if (t.late > 0) {
      f.logger.lateTail[kFirst] = {t.late, 800};
      f.logger.sizeOffset[kFirst] = -static_cast<long>(t.late);
    }
    JobReport report;
    f.rig.tool.fetch.fetch(f.settings(), report);
    const fs::path data = fs::path(f.dataDir()) / "A.TXT";
    EXPECT_EQ(fs::exists(data) ? f.dataFile("A.TXT") : "", t.saved);
    EXPECT_EQ(f.logger.files.empty(), t.late == 0);
  }
}

TEST(FetchCountRules, ADataFileWithoutItsLastLineEndGetsOneAndTheLogSaysSo) {
  FetchRig f;
  f.logger.files[kFirst] = DataLines(2);
  fs::create_directory(f.dataDir());
  WriteWholeFile(fs::path(f.dataDir()) / "A.TXT", "cut by hand,1.2");
  JobReport report;
  f.rig.tool.fetch.fetch(f.settings(), report);
  EXPECT_EQ(f.dataFile("A.TXT"), "cut by hand,1.2\r\n" + DataLines(2));
  EXPECT_EQ(f.logFile(), "Station 4 : Data file " + JoinPath(f.dataDir(), "A.TXT") +
                             " did not end with a line end, one added -2024-05-06 14:05:31\r\n");
  EXPECT_TRUE(report.fetchComplete);
}

}  // namespace
}  // namespace th::test
