// Whole sessions through the model, configured by command line, in virtual
// time: every event and every chunk of output with its moment must stay as
// recorded in golden/sessions.txt. It pins the bytes and their timing while
// the model's inside changes. TIDEHAUL_SIM_GOLDEN_WRITE=1 records it anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/sim/SimHarness.h"
#include "tools/logger-sim/CommandLine.h"
#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/FileSetup.h"

namespace th::sim::test {
namespace {

enum class Act { Bytes, Open, Close, Plug };

struct Step {
  std::int64_t at;
  Act act;
  std::string bytes;
};

struct Session {
  std::string name;
  std::vector<std::string> args;
  std::vector<Step> steps;
  std::int64_t until;
};

Step In(std::int64_t at, std::string bytes) {
  return {at, Act::Bytes, std::move(bytes)};
}
Step Cmd(std::int64_t at, const std::string& line) {
  return In(at, line + "\r\n");
}

// The tool's whole fetch: clock, terminal mode, listing, size, read, delete.
std::vector<Step> FetchJob(std::int64_t t0, bool second) {
  std::vector<Step> s = {{t0, Act::Open, ""},
                         Cmd(t0 + 100, "#T01 R"),
                         Cmd(t0 + 600, "#T01 W 24 05 06 14 06"),
                         Cmd(t0 + 1200, "#M01 T O"),
                         Cmd(t0 + 1700, "DIR"),
                         Cmd(t0 + 2300, "FSIZE \\SL01\\SL010.TXT"),
                         Cmd(t0 + 3000, "fread \\SL01\\SL010.TXT")};
  std::int64_t t = t0 + 5000;
  if (second) {
    s.push_back(Cmd(t, "FSIZE \\SL01\\SL011.TXT"));
    s.push_back(Cmd(t + 700, "fread \\SL01\\SL011.TXT"));
    t += 3000;
  }
  for (const char* line : {"CD \\", "CD \\", "DEL \\SL01\\SL010.TXT", "DEL \\SL01\\SL010.TXT",
                           "DEL \\SL01\\SL011.TXT", "DEL \\SL01\\SL011.TXT", "#M01 T C"}) {
    s.push_back(Cmd(t, line));
    t += 500;
  }
  s.push_back({t + 300, Act::Close, ""});
  return s;
}

std::vector<Step> ModemJob(std::int64_t t0) {
  std::vector<Step> s = {{t0, Act::Open, ""}, Cmd(t0 + 50, "ATZ"), Cmd(t0 + 400, "ATD0123")};
  for (Step step : FetchJob(t0 + 1000, false)) {
    if (step.act == Act::Bytes) {
      s.push_back(std::move(step));
    }
  }
  const std::int64_t t = t0 + 12000;
  s.push_back(In(t, "ATH"));
  s.push_back(In(t + 100, "\x1d+++\x1b"));
  s.push_back(In(t + 1500, "ATH"));
  s.push_back(In(t + 1600, "\x1d+++\x1b\r\n"));
  s.push_back({t + 2000, Act::Close, ""});
  return s;
}

std::vector<Session> Sessions() {
  std::vector<Step> stray = {{0, Act::Open, ""},
                             Cmd(10, "#M01 T O"),
                             In(20, "#T01 R\r#T01\n R\r\n"),
                             Cmd(30, "dir"),
                             Cmd(40, "FSIZE  \\SL01\\SL010.TXT"),
                             Cmd(50, "#T02 R"),
                             Cmd(60, "#T01 W 24 13 06 14 05"),
                             Cmd(70, "CD sl01"),
                             Cmd(80, "DIR"),
                             Cmd(90, "CD \\NOPE"),
                             Cmd(100, "FSIZE \\SL99\\X.TXT"),
                             Cmd(110, "fread \\SL99\\X.TXT"),
                             Cmd(120, "DEL \\SL99\\X.TXT"),
                             In(130, std::string(70000, 'x') + "\r\n"),
                             {200, Act::Close, ""},
                             Cmd(300, "#T01 R")};
  std::vector<Step> twoJobs = FetchJob(0, true);
  for (Step s : FetchJob(20000, true)) {
    twoJobs.push_back(std::move(s));
  }
  std::vector<Step> unplug = FetchJob(0, false);
  unplug.push_back({3500, Act::Plug, ""});
  for (Step s : FetchJob(14000, false)) {
    unplug.push_back(std::move(s));
  }
  return {
      {"plain", {"--generate", "5"}, FetchJob(0, false), 20000},
      {"second file, tags, year 08, echo, appended",
       {"--generate", "4", "--second-file", "--error-tags", "--year08", "--echo",
        "--append-during-fetch", "--seed", "7", "--channels", "5"},
       twoJobs,
       40000},
      {"slow, late tail, delays, appended at moments",
       {"--generate",  "30",        "--rate",        "900",
        "--late-tail", "7=650",     "--reply-delay", "120",
        "--delay",     "fsize=333", "--append-at",   "2500",
        "--append-at", "9000",      "--long-year",   "--no-final-newline",
        "--interval",  "60",        "--start",       "2023-12-31 23:58:00"},
       FetchJob(0, false),
       20000},
      {"faults in the files and replies",
       {"--generate", "12", "--second-file", "--missing-record", "1:3", "--byte26", "0",
        "--size-reply", "blank", "--dir-reply", "no-marker", "--mute", "terminal-close,time-set"},
       FetchJob(0, true),
       20000},
      {"read stops, no size",
       {"--generate", "9", "--fread-stop-after", "40%", "--size-reply", "nan"},
       FetchJob(0, false),
       20000},
      {"carrier lost in the read",
       {"--generate", "9", "--no-carrier-on", "fread"},
       FetchJob(0, false),
       20000},
      {"unplugged and back",
       {"--generate", "40", "--rate", "2000", "--unplug-after", "30%", "--seed", "3"},
       unplug,
       30000},
      {"modem",
       {"--modem", "--generate", "6", "--echo", "--init-command", "ATZ", "--hangup-reply", "ok"},
       ModemJob(0),
       20000},
      {"modem loses carrier and is silent",
       {"--modem", "--generate", "3", "--no-carrier-on", "dir", "--dial-prefix", "ATD",
        "--init-reply", "none", "--mute", "all"},
       ModemJob(0),
       20000},
      {"modem refuses",
       {"--modem", "--dial-reply", "no-carrier", "--size-reply", "none"},
       ModemJob(0),
       20000},
      {"stray input", {"--generate", "2", "--id", "01"}, stray, 1000},
  };
}

std::string Replay(const Session& session) {
  std::vector<std::string> args = {"--link", "x"};
  args.insert(args.end(), session.args.begin(), session.args.end());
  const ParseResult parsed = ParseCommandLine(args);
  if (!parsed.config) {
    ADD_FAILURE() << session.name << ": " << parsed.error;
    return {};
  }
  LoggerFiles files;
  std::string error;
  EXPECT_TRUE(LoadFiles(*parsed.config, files, error)) << error;
  std::string out = "== " + session.name + "\n";
  LoggerModel model(
      parsed.config->model, std::move(files),
      [&out](std::int64_t ms, std::string_view kind, std::string_view text) {
        // A long text by its start and its length: enough to tell a change.
        const std::string shown = text.size() <= 300 ? std::string(text)
                                                     : std::string(text.substr(0, 100)) + "...(" +
                                                           std::to_string(text.size()) + ")";
        out += std::to_string(ms) + " " + std::string(kind) + " " + shown + "\n";
      },
      [] { return FixedWall(); });
  std::size_t next = 0;
  std::int64_t now = 0;
  for (int guard = 0; guard < 100000; ++guard) {
    std::optional<std::int64_t> t;
    if (next < session.steps.size()) {
      t = session.steps[next].at;
    }
    if (const auto due = model.nextDue(now)) {
      t = t ? std::min(*t, std::max(*due, now)) : std::max(*due, now);
    }
    if (!t || *t > session.until) {
      break;
    }
    now = *t;
    if (model.unplugDue() && *model.unplugDue() <= now) {
      model.unplugged(now);
    }
    for (; next < session.steps.size() && session.steps[next].at <= now; ++next) {
      const Step& step = session.steps[next];
      switch (step.act) {
        case Act::Bytes:
          model.receive(step.bytes, now);
          break;
        case Act::Open:
          model.lineOpened(now);
          break;
        case Act::Close:
          model.lineClosed(now);
          break;
        case Act::Plug:
          model.pluggedIn(now, "/dev/pts/9");
          break;
      }
    }
    const std::string got = model.take(now, 64);
    if (!got.empty()) {
      out += std::to_string(now) + " OUT " + EscapeBytes(got) + "\n";
    }
  }
  const ModelState& s = model.state();
  out += "state online=" + std::to_string(s.online) + " terminal=" + std::to_string(s.terminal) +
         " cwd=" + s.cwd + " rejected=" + std::to_string(s.rejected) +
         " files=" + std::to_string(model.files().all().size()) +
         " version=" + std::to_string(model.version()) +
         " filesVersion=" + std::to_string(model.filesVersion()) + "\n";
  return out;
}

TEST(SessionReplay, EveryByteAndMomentStaysAsRecorded) {
  std::string all;
  for (const Session& s : Sessions()) {
    all += Replay(s);
  }
  const std::string golden = TIDEHAUL_SIM_GOLDEN;
  if (std::getenv("TIDEHAUL_SIM_GOLDEN_WRITE") != nullptr) {
    std::ofstream(golden, std::ios::binary) << all;
  }
  std::ifstream file(golden, std::ios::binary);
  const std::string recorded{std::istreambuf_iterator<char>(file),
                             std::istreambuf_iterator<char>()};
  ASSERT_FALSE(recorded.empty()) << golden;
  // Line by line, so a difference shows where it starts.
  std::size_t a = 0;
  std::size_t b = 0;
  for (int line = 1; a < all.size() || b < recorded.size(); ++line) {
    const std::size_t ea = std::min(all.find('\n', a), all.size());
    const std::size_t eb = std::min(recorded.find('\n', b), recorded.size());
    ASSERT_EQ(all.substr(a, ea - a), recorded.substr(b, eb - b)) << "line " << line;
    a = ea + 1;
    b = eb + 1;
  }
}

}  // namespace
}  // namespace th::sim::test
