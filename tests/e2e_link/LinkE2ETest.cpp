#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "tests/e2e_link/E2EHarness.h"

namespace th::test {
namespace {

class LinkE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = E2ERun::missingProgram();
    if (!missing.empty()) {
      FAIL() << "not built: " << missing;
    }
  }
};

std::size_t CountOf(const std::vector<std::string>& commands, const std::string& prefix) {
  return static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(),
                                                [&](auto& c) { return c.rfind(prefix, 0) == 0; }));
}

// "yy mm dd hh mm" of the local time `minutesAgo` minutes back.
std::string ClockText(int minutesAgo) {
  const std::time_t t = std::time(nullptr) - static_cast<std::time_t>(minutesAgo) * 60;
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%y %m %d %H %M", &tm);
  return text;
}

// The set-clock command carried the PC's local time of the run.
void ExpectPcTime(const std::string& command) {
  const std::string prefix = "time-set #T01 W ";
  ASSERT_EQ(command.rfind(prefix, 0), 0u) << command;
  const std::string sent = command.substr(prefix.size());
  bool recent = false;
  for (int m = 0; m <= 3; ++m) {
    recent = recent || sent == ClockText(m);
  }
  EXPECT_TRUE(recent) << sent;
}

// "<name>": <value> in the simulator's JSON, blanks allowed around the colon.
bool JsonFlagIs(const std::string& json, const std::string& name, const std::string& value) {
  std::size_t at = json.find("\"" + name + "\"");
  if (at == std::string::npos) {
    return false;
  }
  at = json.find_first_not_of(" \t", at + name.size() + 2);
  if (at == std::string::npos || json[at] != ':') {
    return false;
  }
  at = json.find_first_not_of(" \t", at + 1);
  return at != std::string::npos && json.compare(at, value.size(), value) == 0;
}

// "Station 4 : DataLogger no answer -yyyy-mm-dd hh:mm:ss" CR LF, exactly.
bool IsNoAnswerEntry(const std::string& line) {
  const std::string head = "Station 4 : DataLogger no answer -";
  const std::string form = "dddd-dd-dd dd:dd:dd\r\n";
  if (line.size() != head.size() + form.size() || line.compare(0, head.size(), head) != 0) {
    return false;
  }
  for (std::size_t i = 0; i < form.size(); ++i) {
    const char c = line[head.size() + i];
    if (form[i] == 'd' ? (c < '0' || c > '9') : c != form[i]) {
      return false;
    }
  }
  return true;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void ExpectPortClosedOnce(const Outcome& o) {
  EXPECT_EQ(std::count(o.transcript.begin(), o.transcript.end(), "OPEN"), 1);
  EXPECT_EQ(std::count(o.transcript.begin(), o.transcript.end(), "CLOSE"), 1);
  // Nothing reached the logger after the close.
  const auto close = std::find(o.transcript.begin(), o.transcript.end(), "CLOSE");
  EXPECT_TRUE(std::none_of(close, o.transcript.end(),
                           [](const std::string& l) { return l.rfind("RX ", 0) == 0; }));
}

TEST_F(LinkE2E, DirectLoggerFromControlMessageToExit) {
  E2ERun run;
  ConfigureDevice(run.device(3), 3, "Direct");
  const Outcome o = run.run(3, {"--exit-after-hangup"}, "3");
  EXPECT_EQ(o.toolStatus, 0);
  ASSERT_GE(o.commands.size(), 2u);
  EXPECT_EQ(o.commands[0], "time-read #T01 R");
  ExpectPcTime(o.commands[1]);
  EXPECT_EQ(CountOf(o.commands, "time-set"), 1u);
  ExpectPortClosedOnce(o);
  EXPECT_TRUE(Has(o.transcript, "EXIT hangup"));
  EXPECT_EQ(o.log.find("DataLogger no answer"), std::string::npos) << o.log;
  const double share = 100.0 * o.cpuMs / o.wallMs;
  std::printf("direct job: tool user+sys %.0f ms over wall %.0f ms = %.2f%% of one core\n", o.cpuMs,
              o.wallMs, share);
  RecordProperty("cpu_ms", std::to_string(o.cpuMs));
  RecordProperty("wall_ms", std::to_string(o.wallMs));
  EXPECT_LT(share, 5.0);
}

// One test per modem type, so that the three jobs run side by side.
class LinkE2EModem : public LinkE2E, public ::testing::WithParamInterface<std::string> {};

TEST_P(LinkE2EModem, DialsSetsTheClockAndHangsUp) {
  E2ERun run;
  ConfigureDevice(run.device(7), 4, GetParam());
  const Outcome o = run.run(4, {"--modem", "--exit-after-hangup"}, "7");
  EXPECT_EQ(o.toolStatus, 0);
  ASSERT_GE(o.commands.size(), 5u);
  EXPECT_EQ(o.commands[0], "init ATZ");
  EXPECT_EQ(o.commands[1], "dial ATD0123");
  EXPECT_EQ(o.commands[2], "time-read #T01 R");
  ExpectPcTime(o.commands[3]);
  EXPECT_EQ(CountOf(o.commands, "time-set"), 1u);
  // The job ends with the hang-up, confirmed on its first escape.
  EXPECT_EQ(o.commands.back(), "hangup +++");
  EXPECT_EQ(CountOf(o.commands, "hangup"), 1u);
  EXPECT_TRUE(JsonFlagIs(o.state, "online", "false")) << o.state;
  ExpectPortClosedOnce(o);
  EXPECT_EQ(o.log.find("DataLogger no answer"), std::string::npos) << o.log;
}

INSTANTIATE_TEST_SUITE_P(Types, LinkE2EModem, ::testing::Values("H316k", "etc", "TWX-314"),
                         [](const auto& info) {
                           std::string name;
                           for (const char c : info.param) {
                             if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
                               name += c;
                             }
                           }
                           return name;
                         });

TEST_F(LinkE2E, SilentLoggerIsWokenSixTimesThenThePortClosesAndTheToolEnds) {
  E2ERun run;
  ConfigureDevice(run.device(3), 3, "Direct");
  const Outcome o = run.run(3, {"--mute", "all", "--exit-after-hangup"}, "3");
  EXPECT_EQ(o.toolStatus, 0);
  ASSERT_EQ(o.commands, std::vector<std::string>(6, "time-read #T01 R"));
  for (std::size_t i = 1; i < o.commandMs.size(); ++i) {
    const auto gap = o.commandMs[i] - o.commandMs[i - 1];
    EXPECT_GE(gap, 950) << i;
    EXPECT_LE(gap, 1600) << i;
  }
  ExpectPortClosedOnce(o);
  EXPECT_EQ(o.log, "");
  EXPECT_LT(o.wallMs, 20000.0);
}

TEST_F(LinkE2E, LoggerThatDoesNotAnswerTheClockSettingIsLogged) {
  E2ERun run;
  ConfigureDevice(run.device(3), 3, "Direct");
  const Outcome o = run.run(3, {"--mute", "time-set", "--exit-after-hangup"}, "3");
  EXPECT_EQ(o.toolStatus, 0);
  // Sends at steps 21 to 50 after the wake-up's single step.
  EXPECT_EQ(CountOf(o.commands, "time-set #T01 W "), 30u);
  EXPECT_TRUE(IsNoAnswerEntry(o.log.substr(0, o.log.find('\n') + 1))) << o.log;
  EXPECT_EQ(o.log.find("DataLogger no answer"), o.log.rfind("DataLogger no answer"));
  ExpectPortClosedOnce(o);
}

}  // namespace
}  // namespace th::test
