// The faults a fetch must survive, as the model serves them in virtual time:
// wrong sizes, pauses and foreign bytes in a read, records written at chosen
// moments, the line failing at chosen commands and reads.
#include <gtest/gtest.h>

#include <functional>

#include "tests/sim/SimHarness.h"
#include "tools/logger-sim/ReadShape.h"

namespace th::sim::test {
namespace {

const std::string kFile = "24-05-06 14:00:00,1.00\r\n24-05-06 14:10:00,2.00\r\n";  // 48 bytes
const std::string kPath = "\\SL01\\SL010.TXT";

LoggerFiles OneFile() {
  LoggerFiles files;
  files.put(kPath, kFile);
  return files;
}

SimHarness& InTerminal(SimHarness& h) {
  h.line("#M01 T O");
  return h;
}

using Configure = std::function<void(ModelConfig&)>;

TEST(SizeFaults, TheSizeAnnouncedIsWrongByWhatWasAsked) {
  const std::pair<Configure, std::string> cases[] = {
      {[](ModelConfig& c) { c.sizeOffset = -20; }, "FS:28"},
      {[](ModelConfig& c) { c.sizeOffset = 5; }, "FS:53"},
      {[](ModelConfig& c) { c.sizeOffset = -100; }, "FS:0"},
      {[](ModelConfig& c) { c.sizeReply = SizeReply::Zero; }, "FS:0"},
      {[](ModelConfig& c) { c.sizeReply = SizeReply::Huge; }, "FS:2147483647"},
      {[](ModelConfig& c) { c.sizeCrLfAsOne = true; }, "FS:46"},
      {[](ModelConfig& c) {
         c.sizeCrLfAsOne = true;
         c.sizeOffset = -1;
       },
       "FS:45"},
      {[](ModelConfig& c) {
         c.sizeReply = SizeReply::Blank;
         c.sizeOffset = -20;
       },
       "FS: 28"},
  };
  for (const auto& [configure, reply] : cases) {
    SCOPED_TRACE(reply);
    ModelConfig c;
    configure(c);
    SimHarness h(c, OneFile());
    InTerminal(h);
    EXPECT_EQ(h.line("FSIZE " + kPath), reply + "\r\n");
    // The read still sends the file as it is.
    EXPECT_EQ(h.line("fread " + kPath), kFile);
  }
}

struct ReadCase {
  std::string name;
  Configure configure;
  std::string first;                // sent when the read starts (at 1000)
  std::optional<std::int64_t> due;  // when the rest is due
  std::string rest;
};

TEST(ReadFaults, PausesAndForeignBytesComeWhereAsked) {
  const ReadCase cases[] = {
      {"prompt", [](ModelConfig& c) { c.readPrefix = ReadPrefix::Prompt; }, "> " + kFile,
       std::nullopt, ""},
      {"header", [](ModelConfig& c) { c.readPrefix = ReadPrefix::Header; }, "READ OK\r\n" + kFile,
       std::nullopt, ""},
      {"pause at a byte",
       [](ModelConfig& c) {
         c.readPauses.push_back({{false, {false, 10}}, 300});
       },
       kFile.substr(0, 10), 1300, kFile.substr(10)},
      {"pause at a share",
       [](ModelConfig& c) {
         c.readPauses.push_back({{false, {true, 50}}, 250});
       },
       kFile.substr(0, 24), 1250, kFile.substr(24)},
      {"pause right at a short size",
       [](ModelConfig& c) {
         c.sizeOffset = -20;
         c.readPauses.push_back({{true, {}, 0}, 400});
       },
       kFile.substr(0, 28), 1400, kFile.substr(28)},
      {"pause past a short size",
       [](ModelConfig& c) {
         c.sizeOffset = -20;
         c.readPauses.push_back({{true, {}, 3}, 400});
       },
       kFile.substr(0, 31), 1400, kFile.substr(31)},
      {"pause past the end is none",
       [](ModelConfig& c) {
         c.readPauses.push_back({{true, {}, 0}, 400});
       },
       kFile, std::nullopt, ""},
      {"two pauses and a late tail",
       [](ModelConfig& c) {
         c.readPauses.push_back({{false, {false, 30}}, 100});
         c.readPauses.push_back({{false, {false, 10}}, 200});
         c.lateTail = LateTail{8, 50};
       },
       kFile.substr(0, 10), 1200, kFile.substr(10, 20)},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    ModelConfig c;
    k.configure(c);
    SimHarness h(c, OneFile());
    InTerminal(h);
    h.model.receive("fread " + kPath + "\r\n", 1000);
    EXPECT_EQ(h.takeAt(1000), k.first);
    EXPECT_EQ(h.model.nextDue(1000), k.due);
    if (k.due) {
      EXPECT_EQ(h.takeAt(*k.due - 1), "");
      EXPECT_EQ(h.takeAt(*k.due), k.rest);
    }
  }
  // The two pauses and the tail, on to the end.
  ModelConfig c;
  cases[7].configure(c);
  SimHarness h(c, OneFile());
  InTerminal(h);
  h.model.receive("fread " + kPath + "\r\n", 1000);
  h.takeAt(1000);
  h.takeAt(1200);
  EXPECT_EQ(h.model.nextDue(1200), 1300);
  EXPECT_EQ(h.takeAt(1300), kFile.substr(30, 10));
  EXPECT_EQ(h.takeAt(1350), kFile.substr(40));
  EXPECT_TRUE(h.hasEvent("FILE", "\\SL01\\SL010.TXT 48 48"));
}

bool Printable(const std::string& bytes) {
  for (const char ch : bytes) {
    if (ch < 0x20 || ch > 0x7e) {
      return false;
    }
  }
  return true;
}

TEST(ReadFaults, NoiseIsSeededBytesBeforeOrInsideTheData) {
  ModelConfig c;
  c.readPrefix = ReadPrefix::Noise;
  c.prefixNoise = 6;
  c.readNoise = ReadNoise{{false, 24}, 5, false};
  SimHarness h(c, OneFile());
  InTerminal(h);
  const std::string got = h.line("fread " + kPath);
  ASSERT_EQ(got.size(), 48U + 11U);
  EXPECT_TRUE(Printable(got.substr(0, 6))) << got;
  EXPECT_EQ(got.substr(6, 24), kFile.substr(0, 24));
  EXPECT_TRUE(Printable(got.substr(30, 5))) << got;
  EXPECT_EQ(got.substr(35), kFile.substr(24));
  // The next read's noise differs; the same seed gives the same bytes.
  const std::string again = h.line("fread " + kPath);
  EXPECT_NE(again, got);
  SimHarness same(c, OneFile());
  InTerminal(same);
  EXPECT_EQ(same.line("fread " + kPath), got);
  // With a CR among them, the noise cuts a record in two.
  c.readNoise->cr = true;
  c.readPrefix = ReadPrefix::None;
  SimHarness cr(c, OneFile());
  InTerminal(cr);
  const std::string cut = cr.line("fread " + kPath);
  EXPECT_EQ(std::count(cut.begin(), cut.end(), '\r'), 3);
  EXPECT_EQ(ReceivedLines(cut).size(), 3U);
  // Noise at the very end comes only with a whole read.
  c.readNoise = ReadNoise{{true, 100}, 4, false};
  SimHarness end(c, OneFile());
  InTerminal(end);
  EXPECT_EQ(end.line("fread " + kPath).size(), 52U);
  c.freadStop = FreadStop{false, 20};
  SimHarness stopped(c, OneFile());
  InTerminal(stopped);
  EXPECT_EQ(stopped.line("fread " + kPath), kFile.substr(0, 20));
}

GeneratedFiles Generated(int lines, int files) {
  GeneratedFiles g;
  g.plan.lines = lines;
  EXPECT_TRUE(ParseStamp("2024-05-06 14:00:00", g.plan.start));
  g.files = files;
  return g;
}

LoggerFiles FilesOf(const GeneratedFiles& g) {
  LoggerFiles files;
  for (int f = 0; f < g.files; ++f) {
    files.put(DataFilePath("01", f), BuildDataFile(g, f));
  }
  return files;
}

std::string Held(const SimHarness& h, int n) {
  const auto* f = h.model.files().find(DataFilePath("01", n));
  return f == nullptr ? "" : *f->data;
}

TEST(AppendMoments, ARecordComesAtTheMomentAsked) {
  struct Case {
    AppendOn on;
    int before;  // commands of the fetch below served before the record
  };
  // Size, read, CD, CD, DEL, DEL of the first file.
  const std::vector<std::string> fetch = {"FSIZE " + kPath, "fread " + kPath, "CD \\",
                                          "CD \\",          "DEL " + kPath,   "DEL " + kPath};
  const Case cases[] = {
      {{Moment::Size, 1}, 1}, {{Moment::Read, 1}, 2}, {{Moment::Cd, 1}, 3},
      {{Moment::Cd, 2}, 4},   {{Moment::Del, 1}, 5},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.before);
    ModelConfig c;
    c.generated = Generated(4, 1);
    c.appendOn = {k.on};
    SimHarness h(c, FilesOf(*c.generated));
    InTerminal(h);
    const std::size_t size = Held(h, 0).size();
    for (std::int64_t i = 0; i < 6; ++i) {
      const std::string out = h.line(fetch.at(static_cast<std::size_t>(i)), 100 * (i + 1));
      EXPECT_EQ(h.model.state().appended.size(), i + 1 >= k.before ? 1U : 0U) << i;
      if (i == 0) {
        // The size answered is the one before any record.
        EXPECT_EQ(out, "FS:" + std::to_string(size) + "\r\n");
      }
    }
    ASSERT_EQ(h.model.state().appended.size(), 1U);
    EXPECT_EQ(h.model.state().appended[0].ms, 100 * std::int64_t{k.before});
    EXPECT_EQ(h.model.state().appended[0].record, 5);
    // After the first DEL the file is started anew, and the second DEL takes it.
    const auto& gone = h.model.state().deletions;
    ASSERT_EQ(gone.size(), k.on.moment == Moment::Del ? 2U : 1U);
    EXPECT_EQ(gone.back().lines, k.on.moment == Moment::Del ? 1U : 5U);
    EXPECT_EQ(h.model.files().all().size(), 0U);
  }
}

TEST(Generator, LineFeedsRepeatedStampsAndALoggerThatGoesOn) {
  GeneratedFiles g = Generated(6, 2);
  const std::string crlf = BuildDataFile(g, 0);
  g.lfOnly = true;
  std::string lf = crlf;
  for (std::size_t at; (at = lf.find('\r')) != std::string::npos;) {
    lf.erase(at, 1);
  }
  EXPECT_EQ(BuildDataFile(g, 0), lf);
  EXPECT_EQ(AppendRecord(lf, "x", false, g.lineEnd()), lf + "x\n");

  // One more record after line 3 of the second file, with its stamp.
  g = Generated(6, 2);
  g.repeated = RecordRef{1, 3};
  const std::string plain = BuildDataFile(Generated(6, 2), 1);
  const std::string twice = BuildDataFile(g, 1);
  const auto lines = ReceivedLines(twice);
  ASSERT_EQ(lines.size(), 7U);
  EXPECT_EQ(lines[3].substr(0, 18), lines[2].substr(0, 18));
  EXPECT_NE(lines[3], lines[2]);
  EXPECT_EQ(lines[3], RepeatedRecord(g.plan, 1, 3));
  std::string without = twice;
  without.erase(without.find(lines[3]), lines[3].size() + 2);
  EXPECT_EQ(without, plain);
  EXPECT_EQ(BuildDataFile(g, 0), BuildDataFile(Generated(6, 2), 0));

  // Records 4 to 6, after the three a logger held already, are records 1 to 6.
  GeneratedFiles later = Generated(3, 1);
  later.plan.first = 4;
  const std::string firstThree = BuildDataFile(Generated(3, 1), 0);
  EXPECT_EQ(BuildDataFile(later, 0, firstThree), BuildDataFile(Generated(6, 1), 0));
  // A held file cut after its last record gets its line end first.
  EXPECT_EQ(BuildDataFile(later, 0, firstThree.substr(0, firstThree.size() - 2)),
            BuildDataFile(Generated(6, 1), 0));
  RecordGenerator records(later.plan, 0);
  EXPECT_EQ(records.made(), 3);
}

TEST(LineFaults, TheAdapterGoesAfterTheCommandOrReadAsked) {
  struct Case {
    OnCommand on;
    std::int64_t due;
  };
  // Replies come 200 ms late (the read at 1600); a DEL has none.
  const Case cases[] = {{{Cmd::Fsize, 1}, 1300},
                        {{Cmd::Fsize, 2}, 2300},
                        {{Cmd::Del, 1}, 3100},
                        {{Cmd::Fread, 1}, 1700}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.due);
    ModelConfig c;
    c.replyDelayMs = 200;
    c.unplugOn = k.on;
    SimHarness h(c, OneFile());
    InTerminal(h);
    h.takeAt(200);
    for (const auto& [at, line] :
         std::vector<std::pair<std::int64_t, std::string>>{{1000, "FSIZE " + kPath},
                                                           {1400, "fread " + kPath},
                                                           {2000, "FSIZE " + kPath},
                                                           {3000, "DEL " + kPath}}) {
      h.model.receive(line + "\r\n", at);
      for (std::int64_t t = at; t < at + 400; t += 100) {
        h.takeAt(t);
        if (h.model.unplugDue() == k.due) {
          break;
        }
      }
      if (h.model.unplugDue()) {
        break;
      }
    }
    EXPECT_EQ(h.model.unplugDue(), k.due);
  }

  // The second read is cut, the first is whole.
  ModelConfig c;
  c.unplugAfter = FreadStop{false, 30};
  c.unplugRead = 2;
  SimHarness h(c, OneFile());
  InTerminal(h);
  EXPECT_EQ(h.line("fread " + kPath, 100), kFile);
  EXPECT_FALSE(h.model.unplugDue().has_value());
  EXPECT_EQ(h.line("fread " + kPath, 200), kFile.substr(0, 30));
  EXPECT_EQ(h.model.unplugDue(), 200 + LoggerModel::kUnplugGraceMs);
  h.model.unplugged(300);
  // Once in a run.
  EXPECT_EQ(h.line("fread " + kPath, 400), kFile);
  EXPECT_FALSE(h.model.unplugDue().has_value());
}

TEST(LineFaults, TheCarrierDropsOnTheCommandOrInTheReadAsked) {
  ModelConfig c;
  c.noCarrierOn = Cmd::Dir;
  c.noCarrierNth = 2;
  SimHarness h(c, OneFile());
  InTerminal(h);
  EXPECT_NE(h.line("DIR").find("File(s)"), std::string::npos);
  EXPECT_EQ(h.line("DIR"), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(h.line("FSIZE " + kPath), "");  // deaf until the port closes
  h.model.lineClosed(0);
  EXPECT_NE(h.line("DIR").find("File(s)"), std::string::npos);  // the third: served

  ModelConfig r;
  r.noCarrierAfter = FreadStop{false, 30};
  r.noCarrierRead = 2;
  SimHarness read(r, OneFile());
  InTerminal(read);
  EXPECT_EQ(read.line("fread " + kPath), kFile);
  EXPECT_EQ(read.line("fread " + kPath), kFile.substr(0, 30) + "\r\nNO CARRIER\r\n");
  EXPECT_TRUE(read.hasEvent("FILE", "\\SL01\\SL010.TXT 30 48"));
  EXPECT_TRUE(read.model.state().lineLost);

  // Behind a modem the call ends with it.
  r.modem = true;
  r.noCarrierRead = 1;
  SimHarness modem(r, OneFile());
  modem.line("ATD1");
  InTerminal(modem);
  EXPECT_EQ(modem.line("fread " + kPath), kFile.substr(0, 30) + "\r\nNO CARRIER\r\n");
  EXPECT_FALSE(modem.model.state().online);
  EXPECT_FALSE(modem.model.state().terminal);
}

}  // namespace
}  // namespace th::sim::test
