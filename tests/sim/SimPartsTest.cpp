// The simulator's smaller parts: generated data, paths, the command line,
// the transcript escaping and the state file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "tests/sim/SimHarness.h"
#include "tools/logger-sim/CommandLine.h"
#include "tools/logger-sim/CommandLineOptions.h"
#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/FileSetup.h"
#include "tools/logger-sim/StateFile.h"

namespace th::sim::test {
namespace {

std::vector<std::string> SplitCrLf(const std::string& data) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  for (std::size_t e; (e = data.find("\r\n", pos)) != std::string::npos; pos = e + 2) {
    lines.push_back(data.substr(pos, e - pos));
  }
  EXPECT_EQ(pos, data.size()) << "every line ends with CR LF";
  return lines;
}

bool IsDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

// "yy-mm-dd hh:mm:ss" and `channels` values of the form ",-d.dd" (1 to 4 whole digits).
bool LooksLikeDataLine(const std::string& l, int channels) {
  const std::string stamp = "dd-dd-dd dd:dd:dd";
  if (l.size() < stamp.size()) {
    return false;
  }
  for (std::size_t i = 0; i < stamp.size(); ++i) {
    if (stamp[i] == 'd' ? !IsDigit(l[i]) : l[i] != stamp[i]) {
      return false;
    }
  }
  std::size_t p = stamp.size();
  for (int c = 0; c < channels; ++c) {
    if (p >= l.size() || l[p++] != ',') {
      return false;
    }
    if (p < l.size() && l[p] == '-') {
      ++p;
    }
    const std::size_t whole = p;
    while (p < l.size() && IsDigit(l[p])) {
      ++p;
    }
    if (p == whole || p - whole > 4 || p + 3 > l.size() || l[p] != '.' || !IsDigit(l[p + 1]) ||
        !IsDigit(l[p + 2])) {
      return false;
    }
    p += 3;
  }
  return p == l.size();
}

GeneratePlan LinesPlan(int lines) {
  GeneratePlan s;
  s.lines = lines;
  EXPECT_TRUE(ParseStamp("2024-12-31 23:50:00", s.start));
  return s;
}

TEST(Generator, LinesAreDatedDataLinesAndRepeatable) {
  const std::string data = GenerateFile(LinesPlan(3), 0);
  const auto lines = SplitCrLf(data);
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[0].substr(0, 17), "24-12-31 23:50:00");
  EXPECT_EQ(lines[1].substr(0, 17), "25-01-01 00:00:00");  // across the year's end
  for (const auto& l : lines) {
    EXPECT_TRUE(LooksLikeDataLine(l, 3)) << l;
  }
  EXPECT_EQ(GenerateFile(LinesPlan(3), 0), data);
  GeneratePlan other = LinesPlan(3);
  other.seed = 2;
  EXPECT_NE(GenerateFile(other, 0), data);
}

TEST(Generator, SecondFileSharesTheStampsOnly) {
  const auto first = SplitCrLf(GenerateFile(LinesPlan(50), 0));
  const auto second = SplitCrLf(GenerateFile(LinesPlan(50), 1));
  ASSERT_EQ(first.size(), second.size());
  int same = 0;
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].substr(0, 17), second[i].substr(0, 17));
    same += first[i] == second[i] ? 1 : 0;
  }
  EXPECT_EQ(same, 0);
}

TEST(Generator, Year08LongYearAndTags) {
  GeneratePlan s = LinesPlan(40);
  s.year08 = true;
  s.errorTags = true;
  const std::string raw = GenerateFile(s, 0);
  s.errorTags = false;
  const std::string clean = GenerateFile(s, 0);
  EXPECT_NE(raw, clean);
  // Stripped as the tool strips them, the tagged lines are the clean ones.
  EXPECT_EQ(ReceivedLines(raw), ReceivedLines(clean));
  for (const auto& l : ReceivedLines(clean)) {
    EXPECT_EQ(l.substr(0, 3), "08-");
  }
  s.longYear = true;
  EXPECT_EQ(GenerateFile(s, 0).substr(0, 5), "2008-");
}

std::vector<std::string> SplitAnyEnd(const std::string& data) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  for (std::size_t e; (e = data.find("\r\n", pos)) != std::string::npos; pos = e + 2) {
    lines.push_back(data.substr(pos, e - pos));
  }
  if (pos < data.size()) {
    lines.push_back(data.substr(pos));
  }
  return lines;
}

GeneratedFiles TwoFiles(int lines) {
  GeneratedFiles g;
  g.plan = LinesPlan(lines);
  g.files = 2;
  return g;
}

TEST(Generator, FileFaultsChangeOnlyTheRecordsNamed) {
  const GeneratedFiles plain = TwoFiles(30);
  EXPECT_EQ(BuildDataFile(plain, 0), GenerateFile(plain.plan, 0));
  EXPECT_EQ(BuildDataFile(plain, 1), GenerateFile(plain.plan, 1));
  const auto first = SplitCrLf(GenerateFile(plain.plan, 0));
  const auto second = SplitCrLf(GenerateFile(plain.plan, 1));

  // A record left out of the second file: the rest keep their values, so a
  // pairing by position shifts from there on.
  GeneratedFiles g = plain;
  g.missing = RecordRef{1, 7};
  auto cut = SplitCrLf(BuildDataFile(g, 1));
  ASSERT_EQ(cut.size(), 29U);
  EXPECT_EQ(cut[5], second[5]);
  EXPECT_EQ(cut[6], second[7]);
  EXPECT_EQ(cut[6].substr(0, 17), first[7].substr(0, 17));
  EXPECT_EQ(BuildDataFile(g, 0), BuildDataFile(plain, 0));

  // A byte 26 inside one line, after the stamp and before the line's end.
  g = plain;
  g.byte26 = RecordRef{0, 3};
  for (std::uint32_t pick : {0U, 1U, 12345U, 0xffffffffU}) {
    g.byte26Pick = pick;
    const auto lines = SplitCrLf(BuildDataFile(g, 0));
    ASSERT_EQ(lines.size(), 30U);
    const std::size_t at = lines[2].find('\x1a');
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(at, 18U);
    EXPECT_LT(at, lines[2].size() - 1);
    std::string without = lines[2];
    without.erase(at, 1);
    EXPECT_EQ(without, first[2]);
    EXPECT_EQ(lines[3], first[3]);
  }

  // No line end after the last line; the others keep theirs.
  g = plain;
  g.noFinalNewline = true;
  const std::string open = BuildDataFile(g, 0);
  EXPECT_EQ(open + "\r\n", BuildDataFile(plain, 0));
  EXPECT_EQ(SplitAnyEnd(open), first);
}

TEST(Generator, RecordsGoOnPastTheFile) {
  GeneratePlan s = LinesPlan(5);
  RecordGenerator records(s, 1);
  for (int i = 0; i < 5; ++i) {
    records.next();
  }
  EXPECT_EQ(records.made(), 5);
  s.lines = 6;
  EXPECT_EQ(records.next() + "\r\n", SplitCrLf(GenerateFile(s, 1)).back() + "\r\n");
  EXPECT_EQ(AppendRecord("a\r\n", "b", false), "a\r\nb\r\n");
  EXPECT_EQ(AppendRecord("a", "b", true), "a\r\nb");
  EXPECT_EQ(AppendRecord("", "b", true), "b");
}

// A logger with more than 60 channels: lines of some 700 characters in each
// file, under 1024 each, over 1024 joined.
TEST(Generator, HundredChannelsMakeWideRecords) {
  GeneratePlan s = LinesPlan(200);
  s.channels = 100;
  const auto first = SplitCrLf(GenerateFile(s, 0));
  const auto second = SplitCrLf(GenerateFile(s, 1));
  std::size_t total = 0;
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_TRUE(LooksLikeDataLine(first[i], 100)) << i;
    EXPECT_LT(first[i].size(), 1024U);
    EXPECT_LT(second[i].size(), 1024U);
    EXPECT_GT(first[i].size() + second[i].size() - 17, 1024U);
    total += first[i].size();
  }
  const std::size_t mean = total / first.size();
  EXPECT_GT(mean, 650U);
  EXPECT_LT(mean, 850U);
}

TEST(Paths, ResolveAgainstTheCurrentFolder) {
  EXPECT_EQ(LoggerFiles::resolve("\\", "\\SL01\\SL010.TXT"), "\\SL01\\SL010.TXT");
  EXPECT_EQ(LoggerFiles::resolve("\\SL01", "SL010.TXT"), "\\SL01\\SL010.TXT");
  EXPECT_EQ(LoggerFiles::resolve("\\SL01", "..\\A\\.\\B"), "\\A\\B");
  EXPECT_EQ(LoggerFiles::resolve("\\SL01", "\\"), "\\");
  EXPECT_EQ(LoggerFiles::resolve("\\", "..\\..\\x"), "\\x");
  EXPECT_EQ(LoggerFiles::resolve("\\SL01", "/x"), "\\SL01\\/x");  // a name, not a path
  LoggerFiles f;
  f.put("SL01/SL010.TXT", "a");
  EXPECT_NE(f.find("\\sl01\\sl010.txt"), nullptr);
  EXPECT_TRUE(f.isFolder("\\Sl01"));
  EXPECT_EQ(f.folderPath("\\sl01"), "\\SL01");
  f.remove("\\SL01\\SL010.TXT");
  EXPECT_TRUE(f.isFolder("\\SL01"));  // folders outlive their files
}

TEST(Escape, EveryByteStaysOnOneReadableLine) {
  EXPECT_EQ(EscapeBytes("#T01 R\r\n\x1d+++\x1b<\\"), "#T01 R<CR><LF><GS>+++<ESC><3C>\\");
  EXPECT_EQ(EscapeBytes(std::string("\0\xff", 2)), "<00><FF>");
}

TEST(CommandLine, OptionsReachTheConfiguration) {
  const auto r = ParseCommandLine({"--link",
                                   "/tmp/x/COM3",
                                   "--modem",
                                   "--id",
                                   "07",
                                   "--generate",
                                   "10",
                                   "--second-file",
                                   "--channels=4",
                                   "--seed",
                                   "9",
                                   "--mute",
                                   "time-set,dir",
                                   "--delay",
                                   "fsize=300",
                                   "--reply-delay",
                                   "20",
                                   "--rate",
                                   "800",
                                   "--fread-stop-after",
                                   "50%",
                                   "--no-carrier-on",
                                   "fread",
                                   "--dial-reply",
                                   "no-carrier",
                                   "--hangup-reply",
                                   "none",
                                   "--init-reply",
                                   "error",
                                   "--dial-prefix",
                                   "AT*",
                                   "--size-reply",
                                   "nan",
                                   "--dir-reply",
                                   "no-marker",
                                   "--timeout",
                                   "2.5",
                                   "--exit-after-hangup",
                                   "--year08",
                                   "--error-tags",
                                   "--start",
                                   "2008-01-02 03:04:05",
                                   "--interval",
                                   "60",
                                   "--file",
                                   "\\A.TXT=/tmp/a"});
  ASSERT_TRUE(r.config) << r.error;
  const SimConfig& c = *r.config;
  EXPECT_EQ(c.link, "/tmp/x/COM3");
  EXPECT_TRUE(c.model.modem);
  EXPECT_EQ(c.model.id, "07");
  EXPECT_TRUE(c.generate && c.secondFile);
  EXPECT_EQ(c.gen.lines, 10);
  EXPECT_EQ(c.gen.channels, 4);
  EXPECT_EQ(c.gen.seed, 9U);
  EXPECT_TRUE(c.model.muted.at(static_cast<std::size_t>(Cmd::TimeSet)));
  EXPECT_TRUE(c.model.muted.at(static_cast<std::size_t>(Cmd::Dir)));
  EXPECT_FALSE(c.model.muted.at(static_cast<std::size_t>(Cmd::Fsize)));
  EXPECT_EQ(c.model.delayMs.at(static_cast<std::size_t>(Cmd::Fsize)), 300);
  EXPECT_EQ(c.model.replyDelayMs, 20);
  EXPECT_EQ(c.model.rate, 800);
  ASSERT_TRUE(c.model.freadStop);
  EXPECT_TRUE(c.model.freadStop->percent);
  EXPECT_EQ(c.model.noCarrierOn, Cmd::Fread);
  EXPECT_EQ(c.model.dialReply, ModemReply::NoCarrier);
  EXPECT_EQ(c.model.hangupReply, ModemReply::None);
  EXPECT_EQ(c.model.initReply, ModemReply::Error);
  EXPECT_EQ(c.model.dialPrefixes, std::vector<std::string>{"AT*"});
  EXPECT_EQ(c.model.sizeReply, SizeReply::Nan);
  EXPECT_EQ(c.model.dirReply, DirReply::NoMarker);
  EXPECT_DOUBLE_EQ(c.timeoutSec, 2.5);
  EXPECT_TRUE(c.exitAfterHangup && c.gen.year08 && c.gen.errorTags);
  EXPECT_EQ(c.gen.intervalSec, 60);
  ASSERT_EQ(c.fileArgs.size(), 1U);
  EXPECT_EQ(c.fileArgs[0].first, "\\A.TXT");
}

TEST(CommandLine, BadInputIsRefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--modem"},
      {"--link", "x", "--mute", "time-sett"},
      {"--link", "x", "--generate", "-3"},
      {"--link", "x", "--generate", "12abc"},
      {"--link", "x", "--fread-stop-after", "101%"},
      {"--link", "x", "--delay", "fsize"},
      {"--link", "x", "--timeout", "0"},
      {"--link", "x", "--id", "123"},
      {"--link", "x", "--second-file"},
      {"--link", "x", "--bogus"},
      {"--link", "x", "--modem=1"},
      {"--link", "x", "--start", "2024-13-01 00:00:00"},
      {"--link", "x", "--file", "noequals"},
      {"--link"},
  };
  for (const auto& args : bad) {
    const auto r = ParseCommandLine(args);
    EXPECT_FALSE(r.config.has_value()) << (args.empty() ? "" : args.back());
    EXPECT_FALSE(r.error.empty());
  }
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
}

TEST(CommandLine, FaultOptionsReachTheConfiguration) {
  const auto r = ParseCommandLine({"--link",
                                   "x",
                                   "--generate",
                                   "40",
                                   "--second-file",
                                   "--seed",
                                   "5",
                                   "--no-final-newline",
                                   "--missing-record",
                                   "1",
                                   "--byte26",
                                   "0:3",
                                   "--append-during-fetch",
                                   "--append-at",
                                   "2500",
                                   "--append-at=100",
                                   "--late-tail",
                                   "64=1500",
                                   "--unplug-after",
                                   "30%",
                                   "--unplug-gap",
                                   "700",
                                   "--export-held",
                                   "/tmp/h",
                                   "--init-command",
                                   "ATZ",
                                   "--init-command",
                                   "AT&F"});
  ASSERT_TRUE(r.config) << r.error;
  const SimConfig& c = *r.config;
  ASSERT_TRUE(c.model.generated);
  const GeneratedFiles& g = *c.model.generated;
  EXPECT_EQ(g.files, 2);
  EXPECT_EQ(g.plan.lines, 40);
  EXPECT_TRUE(g.noFinalNewline);
  ASSERT_TRUE(g.missing && g.byte26);
  EXPECT_EQ(g.missing->file, 1);
  EXPECT_GE(g.missing->line, 1);  // seeded
  EXPECT_LE(g.missing->line, 40);
  EXPECT_EQ(g.byte26->file, 0);
  EXPECT_EQ(g.byte26->line, 3);
  EXPECT_TRUE(c.model.appendDuringFetch);
  EXPECT_EQ(c.model.appendAtMs, (std::vector<std::int64_t>{2500, 100}));
  ASSERT_TRUE(c.model.lateTail);
  EXPECT_EQ(c.model.lateTail->bytes, 64U);
  EXPECT_EQ(c.model.lateTail->delayMs, 1500);
  ASSERT_TRUE(c.model.unplugAfter);
  EXPECT_EQ(c.model.unplugAfter->bytesOf(1000), 300U);
  EXPECT_EQ(c.unplugGapMs, 700);
  EXPECT_EQ(c.exportHeldDir, "/tmp/h");
  EXPECT_EQ(c.model.initCommands, (std::vector<std::string>{"ATZ", "AT&F"}));
  // The seeded choice is the same every time, and follows the seed.
  const auto again = ParseCommandLine(
      {"--link", "x", "--generate", "40", "--second-file", "--seed", "5", "--missing-record", "1"});
  ASSERT_TRUE(again.config);
  EXPECT_EQ(again.config->model.generated->missing->line, g.missing->line);
  // Without faults the generated files are as before.
  const auto plain = ParseCommandLine({"--link", "x", "--generate", "3"});
  ASSERT_TRUE(plain.config && plain.config->model.generated);
  EXPECT_EQ(BuildDataFile(*plain.config->model.generated, 0), GenerateFile(plain.config->gen, 0));
  EXPECT_FALSE(ParseCommandLine({"--link", "x"}).config->model.generated.has_value());
}

TEST(CommandLine, FetchFaultOptionsReachTheConfiguration) {
  const auto r = ParseCommandLine({"--link",
                                   "x",
                                   "--generate",
                                   "9",
                                   "--second-file",
                                   "--size-reply",
                                   "huge",
                                   "--size-offset",
                                   "-200",
                                   "--size-crlf-as-one",
                                   "--read-pause",
                                   "size+3=500",
                                   "--read-pause",
                                   "40%=100",
                                   "--read-prefix",
                                   "noise:7",
                                   "--read-noise",
                                   "10=3",
                                   "--read-noise-cr",
                                   "--lf-only",
                                   "--repeat-stamp",
                                   "1:4",
                                   "--first-record",
                                   "20",
                                   "--unplug-after",
                                   "50%:2",
                                   "--unplug-on",
                                   "del:3",
                                   "--no-carrier-on",
                                   "cd:2",
                                   "--no-carrier-after",
                                   "100",
                                   "--append-on",
                                   "del",
                                   "--append-on=size:2"});
  ASSERT_TRUE(r.config) << r.error;
  const ModelConfig& m = r.config->model;
  EXPECT_EQ(m.sizeReply, SizeReply::Huge);
  EXPECT_EQ(m.sizeOffset, -200);
  EXPECT_TRUE(m.sizeCrLfAsOne);
  ASSERT_EQ(m.readPauses.size(), 2U);
  EXPECT_EQ(m.readPauses[0].at.bytesOf(1000, 800), 803U);
  EXPECT_EQ(m.readPauses[0].ms, 500);
  EXPECT_EQ(m.readPauses[1].at.bytesOf(1000, 800), 400U);
  EXPECT_EQ(m.readPrefix, ReadPrefix::Noise);
  EXPECT_EQ(m.prefixNoise, 7U);
  ASSERT_TRUE(m.readNoise);
  EXPECT_EQ(m.readNoise->at.bytesOf(1000), 10U);
  EXPECT_EQ(m.readNoise->bytes, 3U);
  EXPECT_TRUE(m.readNoise->cr);
  ASSERT_TRUE(m.generated);
  EXPECT_TRUE(m.generated->lfOnly);
  ASSERT_TRUE(m.generated->repeated);
  EXPECT_EQ(m.generated->repeated->line, 4);
  EXPECT_EQ(m.generated->plan.first, 20);
  ASSERT_TRUE(m.unplugAfter);
  EXPECT_EQ(m.unplugRead, 2);
  ASSERT_TRUE(m.unplugOn);
  EXPECT_EQ(m.unplugOn->cmd, Cmd::Del);
  EXPECT_EQ(m.unplugOn->nth, 3);
  EXPECT_EQ(m.noCarrierOn, Cmd::Cd);
  EXPECT_EQ(m.noCarrierNth, 2);
  ASSERT_TRUE(m.noCarrierAfter);
  EXPECT_EQ(m.noCarrierRead, 1);
  ASSERT_EQ(m.appendOn.size(), 2U);
  EXPECT_EQ(m.appendOn[0].moment, Moment::Del);
  EXPECT_EQ(m.appendOn[0].nth, 1);
  EXPECT_EQ(m.appendOn[1].moment, Moment::Size);
  EXPECT_EQ(m.appendOn[1].nth, 2);

  const std::vector<std::vector<std::string>> bad = {
      {"--size-offset", "1e3"},
      {"--size-offset", "+"},
      {"--size-reply", "big"},
      {"--read-pause", "size*2=10"},
      {"--read-pause", "size-=10"},
      {"--read-pause", "101%=10"},
      {"--read-pause", "10"},
      {"--read-prefix", "noise:0"},
      {"--read-prefix", "banner"},
      {"--read-noise", "10=0"},
      {"--read-noise-cr"},
      {"--unplug-on", "fetch"},
      {"--unplug-on", "del:0"},
      {"--unplug-after", "50%:x"},
      {"--no-carrier-on", "dir:"},
      {"--no-carrier-after", "x:1"},
      {"--append-on", "write"},
      {"--append-on", "del:-1"},
      {"--lf-only", "--link", "y"},
      {"--generate", "3", "--repeat-stamp", "1"},
      {"--generate", "3", "--repeat-stamp", "0:4"},
      {"--first-record", "0"},
  };
  for (const auto& args : bad) {
    std::vector<std::string> all = {"--link", "x"};
    all.insert(all.end(), args.begin(), args.end());
    const auto refused = ParseCommandLine(all);
    EXPECT_FALSE(refused.config.has_value()) << args.front() << " " << args.back();
  }
}

// The tables are what the simulator takes; the usage text and the README must
// not leave one out.
TEST(CommandLine, EveryOptionIsInTheUsageAndTheReadme) {
  std::ifstream file(TIDEHAUL_SIM_README);
  const std::string readme{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(readme.empty());
  const std::string usage = UsageText();
  for (const auto& group : OptionGroups()) {
    for (const auto& option : group.options) {
      const std::string shown =
          std::string(option.name) + (option.value.empty() ? "" : " " + std::string(option.value));
      EXPECT_NE(usage.find(shown), std::string::npos) << shown;
      EXPECT_NE(readme.find("`" + std::string(option.name)), std::string::npos) << option.name;
    }
  }
}

TEST(CommandLine, FaultOptionsRefuseWhatCannotBe) {
  const std::vector<std::vector<std::string>> bad = {
      {"--link", "x", "--no-final-newline"},
      {"--link", "x", "--append-during-fetch"},
      {"--link", "x", "--append-at", "10"},
      {"--link", "x", "--missing-record", "0"},
      {"--link", "x", "--generate", "5", "--missing-record", "1"},
      {"--link", "x", "--generate", "5", "--missing-record", "0:6"},
      {"--link", "x", "--generate", "5", "--missing-record", "2"},
      {"--link", "x", "--generate", "5", "--missing-record", "0:0"},
      {"--link", "x", "--generate", "0", "--byte26", "0"},
      {"--link", "x", "--generate", "5", "--byte26", "0:x"},
      {"--link", "x", "--generate", "5", "--append-at", "-1"},
      {"--link", "x", "--late-tail", "0=100"},
      {"--link", "x", "--late-tail", "10"},
      {"--link", "x", "--late-tail", "10=-5"},
      {"--link", "x", "--unplug-after", "101%"},
      {"--link", "x", "--unplug-after", "x"},
      {"--link", "x", "--unplug-gap", "-1"},
      {"--link", "x", "--init-command", ""},
      {"--link", "x", "--export-held", ""},
  };
  for (const auto& args : bad) {
    const auto r = ParseCommandLine(args);
    EXPECT_FALSE(r.config.has_value()) << args[2] << " " << args.back();
    EXPECT_FALSE(r.error.empty());
  }
}

TEST(StateFile, ListsFilesDeletionsAndCounts) {
  LoggerFiles files;
  files.put(DataFilePath("01", 0), "abc");
  files.put(DataFilePath("01", 1), "de");
  SimHarness h({}, std::move(files));
  h.line("#M01 T O");
  h.line("DEL \\SL01\\SL011.TXT");
  h.line("#T01 W \xff\xfe");  // not UTF-8: still a valid state file
  const auto j = nlohmann::json::parse(StateJson(h.model, ""));
  EXPECT_TRUE(j["running"].get<bool>());
  EXPECT_TRUE(j["exit_reason"].is_null());
  ASSERT_EQ(j["files"].size(), 1U);
  EXPECT_EQ(j["files"][0]["path"], "\\SL01\\SL010.TXT");
  EXPECT_EQ(j["files"][0]["size"], 3);
  EXPECT_EQ(j["deleted"][0], "\\SL01\\SL011.TXT");
  EXPECT_EQ(j["commands"]["del"], 1);
  EXPECT_TRUE(j["terminal_mode"].get<bool>());
  EXPECT_EQ(j["rejected"], 1);  // the clock line that is no clock line
  ASSERT_EQ(j["rejected_lines"].size(), 1U);
  EXPECT_EQ(j["rejected_lines"][0], "#T01 W <FF><FE>");
  EXPECT_EQ(j["files"][0]["lines"], 1);
  EXPECT_EQ(j["deletions"][0]["file"], "\\SL01\\SL011.TXT");
  EXPECT_EQ(j["deletions"][0]["lines"], 1);
  EXPECT_EQ(j["unplugs"], 0);
  EXPECT_TRUE(j["plugged"].get<bool>());
  EXPECT_TRUE(j["generated"].is_null());
  const auto done = nlohmann::json::parse(StateJson(h.model, "hangup"));
  EXPECT_FALSE(done["running"].get<bool>());
  EXPECT_EQ(done["exit_reason"], "hangup");
}

// What a test needs to check that no record was lost: every record the
// logger ever held (at start and appended), those it holds, those it deleted.
TEST(StateFile, TellsWhichRecordsWereHeldAppendedReadAndDeleted) {
  const auto parsed =
      ParseCommandLine({"--link", "x", "--generate", "4", "--second-file", "--missing-record",
                        "1:2", "--byte26", "0:3", "--append-during-fetch"});
  ASSERT_TRUE(parsed.config) << parsed.error;
  SimConfig config = *parsed.config;
  LoggerFiles files;
  std::string error;
  ASSERT_TRUE(LoadFiles(config, files, error)) << error;
  SimHarness h(config.model, std::move(files));
  h.line("#M01 T O");
  h.line("fread \\SL01\\SL010.TXT", 100);
  h.line("CD \\", 200);
  h.line("DEL \\SL01\\SL011.TXT", 200);
  const auto j = nlohmann::json::parse(StateJson(h.model, ""));

  ASSERT_EQ(j["reads"].size(), 1U);
  EXPECT_EQ(j["reads"][0]["file"], "\\SL01\\SL010.TXT");
  EXPECT_EQ(j["reads"][0]["ms"], 100);
  EXPECT_EQ(j["reads"][0]["sent"], j["reads"][0]["size"]);
  ASSERT_EQ(j["appended"].size(), 2U);
  EXPECT_EQ(j["appended"][0]["file"], "\\SL01\\SL010.TXT");
  EXPECT_EQ(j["appended"][1]["file"], "\\SL01\\SL011.TXT");
  EXPECT_EQ(j["appended"][1]["record"], 5);
  EXPECT_EQ(j["appended"][1]["line"].get<std::string>().substr(0, 17), "24-05-06 14:40:00");
  EXPECT_EQ(j["files"][0]["lines"], 5);
  const auto& records = j["records"];
  ASSERT_EQ(records.size(), 2U);
  EXPECT_EQ(records[0], (nlohmann::json{{"file", "\\SL01\\SL010.TXT"},
                                        {"initial", 4},
                                        {"appended", 1},
                                        {"held", 5},
                                        {"deleted", 0}}));
  EXPECT_EQ(records[1], (nlohmann::json{{"file", "\\SL01\\SL011.TXT"},
                                        {"initial", 3},
                                        {"appended", 1},
                                        {"held", 0},
                                        {"deleted", 4}}));
  const auto& g = j["generated"];
  EXPECT_EQ(g["lines"], 4);
  EXPECT_EQ(g["files"], nlohmann::json::array({"\\SL01\\SL010.TXT", "\\SL01\\SL011.TXT"}));
  EXPECT_FALSE(g["no_final_newline"].get<bool>());
  EXPECT_EQ(g["missing"]["file"], "\\SL01\\SL011.TXT");
  EXPECT_EQ(g["missing"]["line"], 2);
  const auto second = SplitCrLf(GenerateFile(config.gen, 1));
  EXPECT_EQ(g["missing"]["text"], second[1]);
  EXPECT_EQ(g["byte26"]["line"], 3);
  const std::string marked = g["byte26"]["text"].get<std::string>();
  EXPECT_NE(marked.find('\x1a'), std::string::npos);
  // The exported file holds exactly that line.
  EXPECT_NE(BuildDataFile(*config.model.generated, 0).find(marked + "\r\n"), std::string::npos);
}

TEST(HeldExport, FollowsWhatTheLoggerHolds) {
  std::string name = (std::filesystem::temp_directory_path() / "heldexport.XXXXXX").string();
  const std::filesystem::path dir = ::mkdtemp(name.data());
  std::filesystem::create_directories(dir / "SL01");
  { std::ofstream(dir / "SL01" / "OTHER.TXT") << "not ours"; }
  LoggerFiles files;
  files.put("\\SL01\\SL010.TXT", "a\r\n");
  files.put("\\SL01\\SL011.TXT", "b\r\n");
  HeldExport held(dir.string());
  std::string error;
  ASSERT_TRUE(held.update(files, error)) << error;
  const auto read = [&](const char* name) {
    std::ifstream in(dir / "SL01" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  EXPECT_EQ(read("SL010.TXT"), "a\r\n");
  files.put("\\SL01\\SL010.TXT", "a\r\nc\r\n");
  files.remove("\\SL01\\SL011.TXT");
  ASSERT_TRUE(held.update(files, error)) << error;
  EXPECT_EQ(read("SL010.TXT"), "a\r\nc\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "SL01" / "SL011.TXT"));
  EXPECT_EQ(read("OTHER.TXT"), "not ours");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace th::sim::test
