// The simulator's smaller parts: generated data, paths, the command line,
// the transcript escaping and the state file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/sim/SimHarness.h"
#include "tools/logger-sim/CommandLine.h"
#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/FileSetup.h"
#include "tools/logger-sim/StateFile.h"

namespace th::sim::test {
namespace {

std::vector<std::string> splitCrLf(const std::string& data) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  for (std::size_t e; (e = data.find("\r\n", pos)) != std::string::npos; pos = e + 2) {
    lines.push_back(data.substr(pos, e - pos));
  }
  EXPECT_EQ(pos, data.size()) << "every line ends with CR LF";
  return lines;
}

bool isDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

// "yy-mm-dd hh:mm:ss" and `channels` values of the form ",-d.dd" (1 to 4 whole digits).
bool looksLikeDataLine(const std::string& l, int channels) {
  const std::string stamp = "dd-dd-dd dd:dd:dd";
  if (l.size() < stamp.size()) {
    return false;
  }
  for (std::size_t i = 0; i < stamp.size(); ++i) {
    if (stamp[i] == 'd' ? !isDigit(l[i]) : l[i] != stamp[i]) {
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
    while (p < l.size() && isDigit(l[p])) {
      ++p;
    }
    if (p == whole || p - whole > 4 || p + 3 > l.size() || l[p] != '.' || !isDigit(l[p + 1]) ||
        !isDigit(l[p + 2])) {
      return false;
    }
    p += 3;
  }
  return p == l.size();
}

GenerateSpec linesSpec(int lines) {
  GenerateSpec s;
  s.lines = lines;
  EXPECT_TRUE(parseStamp("2024-12-31 23:50:00", s.start));
  return s;
}

TEST(Generator, LinesAreDatedDataLinesAndRepeatable) {
  const std::string data = generateFile(linesSpec(3), 0);
  const auto lines = splitCrLf(data);
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[0].substr(0, 17), "24-12-31 23:50:00");
  EXPECT_EQ(lines[1].substr(0, 17), "25-01-01 00:00:00");  // across the year's end
  for (const auto& l : lines) {
    EXPECT_TRUE(looksLikeDataLine(l, 3)) << l;
  }
  EXPECT_EQ(generateFile(linesSpec(3), 0), data);
  GenerateSpec other = linesSpec(3);
  other.seed = 2;
  EXPECT_NE(generateFile(other, 0), data);
}

TEST(Generator, SecondFileSharesTheStampsOnly) {
  const auto first = splitCrLf(generateFile(linesSpec(50), 0));
  const auto second = splitCrLf(generateFile(linesSpec(50), 1));
  ASSERT_EQ(first.size(), second.size());
  int same = 0;
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].substr(0, 17), second[i].substr(0, 17));
    same += first[i] == second[i] ? 1 : 0;
  }
  EXPECT_EQ(same, 0);
}

TEST(Generator, Year08LongYearAndTags) {
  GenerateSpec s = linesSpec(40);
  s.year08 = true;
  s.errorTags = true;
  const std::string raw = generateFile(s, 0);
  s.errorTags = false;
  const std::string clean = generateFile(s, 0);
  EXPECT_NE(raw, clean);
  // Stripped as the tool strips them, the tagged lines are the clean ones.
  EXPECT_EQ(receivedLines(raw), receivedLines(clean));
  for (const auto& l : receivedLines(clean)) {
    EXPECT_EQ(l.substr(0, 3), "08-");
  }
  s.longYear = true;
  EXPECT_EQ(generateFile(s, 0).substr(0, 5), "2008-");
}

TEST(Paths, ResolveAgainstTheCurrentFolder) {
  EXPECT_EQ(LoggerFiles::resolve("\\", "\\SL01\\SL010.TXT"), "\\SL01\\SL010.TXT");
  EXPECT_EQ(LoggerFiles::resolve("\\SL01", "SL010.TXT"), "\\SL01\\SL010.TXT");
  EXPECT_EQ(LoggerFiles::resolve("\\SL01", "..\\A\\.\\B"), "\\A\\B");
  EXPECT_EQ(LoggerFiles::resolve("\\SL01", "\\"), "\\");
  EXPECT_EQ(LoggerFiles::resolve("\\", "..\\..\\x"), "\\x");
  LoggerFiles f;
  f.put("SL01/SL010.TXT", "a");
  EXPECT_NE(f.find("\\sl01\\sl010.txt"), nullptr);
  EXPECT_TRUE(f.isFolder("\\Sl01"));
  EXPECT_EQ(f.folderPath("\\sl01"), "\\SL01");
  f.remove("\\SL01\\SL010.TXT");
  EXPECT_TRUE(f.isFolder("\\SL01"));  // folders outlive their files
}

TEST(Escape, EveryByteStaysOnOneReadableLine) {
  EXPECT_EQ(escapeBytes("#T01 R\r\n\x1d+++\x1b<\\"), "#T01 R<CR><LF><GS>+++<ESC><3C>\\");
  EXPECT_EQ(escapeBytes(std::string("\0\xff", 2)), "<00><FF>");
}

TEST(CommandLine, OptionsReachTheConfiguration) {
  const auto r = parseCommandLine({"--link",
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
    const auto r = parseCommandLine(args);
    EXPECT_FALSE(r.config.has_value()) << (args.empty() ? "" : args.back());
    EXPECT_FALSE(r.error.empty());
  }
  EXPECT_TRUE(parseCommandLine({"--help"}).help);
}

TEST(StateFile, ListsFilesDeletionsAndCounts) {
  LoggerFiles files;
  files.put(dataFilePath("01", 0), "abc");
  files.put(dataFilePath("01", 1), "de");
  SimHarness h({}, std::move(files));
  h.line("#M01 T O");
  h.line("DEL \\SL01\\SL011.TXT");
  h.line("#T01 W \xff\xfe");  // not UTF-8: still a valid state file
  const auto j = nlohmann::json::parse(stateJson(h.model, ""));
  EXPECT_TRUE(j["running"].get<bool>());
  EXPECT_TRUE(j["exit_reason"].is_null());
  ASSERT_EQ(j["files"].size(), 1U);
  EXPECT_EQ(j["files"][0]["path"], "\\SL01\\SL010.TXT");
  EXPECT_EQ(j["files"][0]["size"], 3);
  EXPECT_EQ(j["deleted"][0], "\\SL01\\SL011.TXT");
  EXPECT_EQ(j["commands"]["del"], 1);
  EXPECT_TRUE(j["terminal_mode"].get<bool>());
  const auto done = nlohmann::json::parse(stateJson(h.model, "hangup"));
  EXPECT_FALSE(done["running"].get<bool>());
  EXPECT_EQ(done["exit_reason"], "hangup");
}

}  // namespace
}  // namespace th::sim::test
