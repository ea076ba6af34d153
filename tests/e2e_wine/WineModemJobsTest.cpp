// Whole modem jobs of tidehaul.exe under Wine with modem lines: the
// simulator's modem raises DCD on CONNECT and drops it when it hangs up, hangs
// up when DTR falls while it is online, and rings RI with RING. For every
// modem type the tool knows the data files equal the Linux tool's and the
// far end sees the lines as the tool's sequences set them; a carrier that
// drops in the middle of a file read ends the read at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e_wine/WineStation.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Entries = std::vector<std::pair<std::int64_t, std::string>>;

bool ShimSession() {
  const char* directory = std::getenv("TIDEHAUL_MODEM_LINES");
  return WineSession::Available() && directory != nullptr && *directory != '\0';
}

std::vector<std::string> Modem(const std::string& type) {
  return {"ModemSet.ModemType=" + type, "ModemSet.Command=ATZ", "ModemSet.CallCMD=ATD",
          "ModemSet.ModemNo=0123", "ModemSet.DiscntCMD=ATH"};
}

std::vector<std::string> Texts(const Entries& entries) {
  std::vector<std::string> texts;
  for (const auto& entry : entries) {
    texts.push_back(entry.second);
  }
  return texts;
}

// The moment of the first entry from `from` on whose text has (or lacks) `word`.
std::int64_t FirstAt(const Entries& entries, std::int64_t from, const std::string& word,
                     bool with) {
  for (const auto& [ms, text] : entries) {
    if (ms >= from && (text.find(word) != std::string::npos) == with) {
      return ms;
    }
  }
  return -1;
}

class WineModemJobs : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!ShimSession()) {
      GTEST_SKIP() << "needs a Wine session with the modem-line shim: run tools/wine-tests.sh";
    }
  }
};

// The tool raises RTS, then DTR, to bring the line up, and drops RTS, then
// DTR, when it closes it; the modem's carrier is up from CONNECT to its
// hang-up.
TEST_P(WineModemJobs, DataAsOnLinuxAndTheLinesAsTheSequencesSetThem) {
  const std::vector<std::string> logger = {"--modem", "--generate", "100"};
  WineStation w;
  w.settings(Modem(GetParam()));
  w.startLogger(logger);
  ASSERT_TRUE(w.runJob());
  EXPECT_EQ(w.tool()->exitCode(), 0);
  EXPECT_EQ(w.rejected(), 0);
  EXPECT_EQ(w.loggerFiles(), std::vector<std::string>{});
  const std::string expected = ExpectedDataLines(Exported(w.dir(), "SL010.TXT"), CurrentYear());
  EXPECT_EQ(w.dataFile("CR000.TXT"), expected);
  EXPECT_EQ(w.dataFile("CR001.TXT"), expected);
  EXPECT_EQ(w.dataFile("CR000.TXT"), LinuxDataFile(Modem(GetParam()), logger));

  EXPECT_EQ(Texts(w.transcript("DTE")), (std::vector<std::string>{"RTS", "DTR RTS", "DTR", "-"}));
  const Entries lines = w.transcript("DCE");
  const std::int64_t up = FirstAt(lines, 0, "DCD", true);
  ASSERT_GE(up, 0) << "the carrier never came up";
  EXPECT_GE(FirstAt(lines, up, "DCD", false), up) << "the carrier never dropped";
  EXPECT_NE(w.state().find("\"hangups\": 1"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    EveryModemType, WineModemJobs,
    ::testing::Values("H316k", "JX070", "N-Tarsel", "B/T(QM515)", "etc", "TWX-314"),
    [](const auto& info) {
      std::string name = info.param;
      std::replace_if(
          name.begin(), name.end(),
          [](char c) { return std::isalnum(static_cast<unsigned char>(c)) == 0; }, '_');
      return name;
    });

class WineModemLines : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ShimSession()) {
      GTEST_SKIP() << "needs a Wine session with the modem-line shim: run tools/wine-tests.sh";
    }
  }
};

// The logger does not answer the clock read after CONNECT: the connection
// fails, and the tool closes the line without the modem's escape. Its DTR
// drop is what hangs the modem up.
TEST_F(WineModemLines, DroppingDtrHangsTheModemUp) {
  WineStation w;
  w.settings(Modem("H316k"));
  w.startLogger({"--modem", "--generate", "10", "--mute", "time-read"});
  ASSERT_TRUE(w.runJob());
  EXPECT_EQ(w.tool()->exitCode(), 0);
  const Entries dte = w.transcript("DTE");
  ASSERT_EQ(Texts(dte), (std::vector<std::string>{"RTS", "DTR RTS", "DTR", "-"}));
  EXPECT_NE(ReadWholeFile(w.file("logger.log")).find("CMD hangup DTR"), std::string::npos);
  const std::int64_t dropped = FirstAt(w.transcript("DCE"), dte.back().first, "DCD", false);
  EXPECT_GE(dropped, dte.back().first);
  EXPECT_LT(dropped, dte.back().first + 500);
  EXPECT_NE(w.state().find("\"online\": false"), std::string::npos);
  EXPECT_EQ(w.loggerFiles().size(), 1U);  // nothing fetched, nothing deleted
}

// Half a file in, the modem loses the carrier: the tool's read ends at once
// (on Linux, where a pseudo-terminal has no carrier, it waits for 10 s of
// silence), the logger keeps its files and the tool ends.
TEST_F(WineModemLines, ACarrierLostMidReadEndsTheReadAtOnce) {
  WineStation w;
  w.settings(Modem("H316k"));
  w.startLogger({"--modem", "--generate", "300", "--rate", "960", "--no-carrier-on", "fread"});
  ASSERT_TRUE(w.runJob());
  EXPECT_EQ(w.tool()->exitCode(), 0);
  const Entries lines = w.transcript("DCE");
  const std::int64_t up = FirstAt(lines, 0, "DCD", true);
  const std::int64_t lost = FirstAt(lines, up, "DCD", false);
  ASSERT_GT(lost, up);
  // The tool's next bytes after the drop: leaving terminal mode, hanging up.
  const Entries received = w.transcript("RX");
  const std::int64_t next = FirstAt(received, lost, "", true);
  ASSERT_GE(next, lost);
  EXPECT_LT(next - lost, 2000) << "the read went on after the carrier was lost";
  EXPECT_EQ(w.loggerFiles().size(), 1U);
  EXPECT_NE(w.log().find("line lost"), std::string::npos) << w.log();
}

// RING twice before the dial's answer: RI rings with each, and the job is
// the Linux tool's.
TEST_F(WineModemLines, RingsBeforeTheAnswerLeaveTheJobAlone) {
  const std::vector<std::string> logger = {"--modem", "--generate", "50", "--ring", "2"};
  WineStation w;
  w.settings(Modem("TWX-314"));
  w.startLogger(logger);
  ASSERT_TRUE(w.runJob());
  EXPECT_EQ(w.tool()->exitCode(), 0);
  const Entries lines = w.transcript("DCE");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const auto& e) { return e.second.find("RI") != std::string::npos; }),
            2);
  const std::int64_t ring = FirstAt(lines, 0, "RI", true);
  EXPECT_LT(ring, FirstAt(lines, 0, "DCD", true));
  EXPECT_EQ(w.dataFile("CR000.TXT"), LinuxDataFile(Modem("TWX-314"), logger));
}

}  // namespace
}  // namespace th::test
