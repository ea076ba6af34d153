#include <gtest/gtest.h>

#include "tests/fetch/FetchRig.h"

namespace th::test {
namespace {

using Lines = std::vector<std::string>;

// A delay of n ms returns at the first tick more than n ms later.
constexpr std::uint64_t Step(std::uint64_t ms) {
  return ms + 1;
}

class TerminalMode : public ::testing::Test {
 protected:
  FetchRig f;
  TerminalCommands& terminal() { return f.rig.tool.terminal; }
  Text Id() const { return f.settings().loggerId; }
  // A complete line that came before the exchange.
  void LineBefore(const std::string& line) {
    f.port.deliver(line + "\r");
    f.rig.loop.processPendingMessages();
  }
};

TEST_F(TerminalMode, OpeningEndsOnTheReplyPausesAndRestoresTheRouting) {
  f.rig.tool.reception.routeTo(Route::Download2);
  f.rig.panes.receiveLog.append("old");
  terminal().openTerminal(Id());
  EXPECT_EQ(f.writes(), Lines{"0 #M01 T O\r\n"});
  EXPECT_EQ(f.rig.view.history(2), Lines{"#M01 T O"});
  EXPECT_EQ(f.rig.view.history(1), Lines{"Terminal Opening-1[100msec]"});
  EXPECT_EQ(f.rig.now(), Step(100) + Step(200));
  EXPECT_EQ(f.rig.tool.reception.route(), Route::Download2);
  EXPECT_TRUE(f.rig.tool.reception.lastLine().empty());
  // The pane was emptied before the reply came in.
  ASSERT_EQ(f.rig.panes.receiveLog.count(), 1u);
  EXPECT_EQ(f.rig.panes.receiveLog.raw(0), "Terminal mode ON");
}

TEST_F(TerminalMode, OpeningAcceptsAnyLetterCase) {
  f.logger.mute.insert("open");
  f.logger.onCommand = [&](const std::string&) { f.port.deliver("terMINal\r", 250); };
  terminal().openTerminal(Id());
  EXPECT_EQ(f.rig.now(), 3 * Step(100) + Step(200));
}

TEST_F(TerminalMode, OpeningResendsOnceAndGivesUpWithoutPauseStillTrue) {
  f.logger.mute.insert("open");
  terminal().openTerminal(Id());
  EXPECT_EQ(f.writes(),
            (Lines{"0 #M01 T O\r\n", std::to_string(21 * Step(100)) + " #M01 T O\r\n"}));
  EXPECT_EQ(f.rig.view.history(2), (Lines{"#M01 T O", "#M01 T O"}));
  EXPECT_EQ(f.rig.view.history(1).size(), 41u);
  EXPECT_EQ(f.rig.view.history(1).back(), "Terminal Opening-41[100msec]");
  EXPECT_EQ(f.rig.now(), 41 * Step(100));
}

TEST_F(TerminalMode, ClosingEndsOnTheReplyPausesAndClearsTheLine) {
  f.rig.tool.reception.routeTo(Route::Download1);
  terminal().closeTerminal(Id());
  EXPECT_EQ(f.writes(), Lines{"0 #M01 T C\r\n"});
  EXPECT_EQ(f.rig.view.history(2), Lines{"#M01 T C"});
  EXPECT_EQ(f.rig.view.history(1), Lines{"Terminal Closing-1[200msec]"});
  EXPECT_EQ(f.rig.now(), Step(200) + Step(500));
  EXPECT_EQ(f.rig.tool.reception.route(), Route::ReceiveLog);
  EXPECT_TRUE(f.rig.tool.reception.lastLine().empty());
}

TEST_F(TerminalMode, ClosingResendsWithoutShowingAndGivesUpLeavingTheLine) {
  f.logger.mute.insert("close");
  f.port.deliver("unrelated\r", 50);
  terminal().closeTerminal(Id());
  EXPECT_EQ(f.writes(),
            (Lines{"0 #M01 T C\r\n", std::to_string(11 * Step(200)) + " #M01 T C\r\n"}));
  EXPECT_EQ(f.rig.view.history(2), Lines{"#M01 T C"});
  EXPECT_EQ(f.rig.view.history(1).back(), "Terminal Closing-21[200msec]");
  EXPECT_EQ(f.rig.now(), 21 * Step(200));
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"unrelated");
}

TEST_F(TerminalMode, StopFlagSendsOnceAndReturnsAtOnce) {
  f.rig.tool.stop.endWaits = true;
  terminal().openTerminal(Id());
  terminal().closeTerminal(Id());
  EXPECT_FALSE(terminal().listDirectory());
  const SizeReply reply = terminal().askSize(u"\\SL01\\SL010.TXT");
  EXPECT_FALSE(reply.replied);
  EXPECT_EQ(f.lines(),
            (Lines{"#M01 T O\r\n", "#M01 T C\r\n", "DIR\r\n", "FSIZE \\SL01\\SL010.TXT\r\n"}));
  EXPECT_EQ(f.rig.now(), 0u);
  EXPECT_EQ(reply.size, -1);
}

TEST_F(TerminalMode, IdIsWrittenAsStored) {
  FetchRig::Set(f.device().DeviceSet.LogID, "7");
  f.rig.tool.stop.endWaits = true;
  terminal().openTerminal(Id());
  FetchRig::Set(f.device().DeviceSet.LogID, "");
  terminal().closeTerminal(Id());
  EXPECT_EQ(f.lines(), (Lines{"#M7 T O\r\n", "#M T C\r\n"}));
}

class Listing : public TerminalMode {};

TEST_F(Listing, EndsOnAMarkerLineAndKeepsThePane) {
  f.rig.panes.receiveLog.append("before");
  f.logger.files["\\SL01\\SL010.TXT"] = "x";
  f.rig.tool.reception.routeTo(Route::Download1);
  EXPECT_TRUE(terminal().listDirectory());
  EXPECT_EQ(f.writes(), Lines{"0 DIR\r\n"});
  EXPECT_EQ(f.rig.view.history(2), Lines{"DIR"});
  EXPECT_EQ(f.rig.view.history(1), Lines{"Dir-1[100msec]"});
  EXPECT_EQ(f.rig.now(), Step(100) + Step(200));
  EXPECT_EQ(f.rig.panes.receiveLog.count(), 4u);
  EXPECT_EQ(f.rig.panes.receiveLog.raw(0), "before");
  EXPECT_EQ(f.rig.tool.reception.route(), Route::ReceiveLog);
  EXPECT_TRUE(f.rig.tool.reception.lastLine().empty());
}

TEST_F(Listing, EachMarkerCharacterCounts) {
  for (const std::string marker : {"a\\b", "x.y", "[SL01]", "1 File(s)"}) {
    FetchRig g;
    g.logger.mute.insert("dir");
    g.logger.onCommand = [&](const std::string&) { g.port.deliver(marker + "\r", 150); };
    EXPECT_TRUE(g.rig.tool.terminal.listDirectory()) << marker;
    EXPECT_EQ(g.rig.now(), 2 * Step(100) + Step(200)) << marker;
  }
}

TEST_F(Listing, FinalTestLooksAtTheLineLastAfterThePause) {
  f.logger.mute.insert("dir");
  // The marker line ends the wait; a closing line without marker follows in the pause.
  f.logger.onCommand = [&](const std::string&) {
    f.port.deliver("SL010.TXT 12\r", 50);
    f.port.deliver("end of list\r", 150);
  };
  EXPECT_FALSE(terminal().listDirectory());
  EXPECT_EQ(f.rig.now(), Step(100) + Step(200));
}

TEST_F(Listing, ResendsOnceGivesUpAndAMarkerInThePauseStillCounts) {
  f.logger.mute.insert("dir");
  const std::uint64_t end = 81 * Step(100);
  f.port.deliver("[late]\r", static_cast<std::uint32_t>(end + 100));
  EXPECT_TRUE(terminal().listDirectory());
  EXPECT_EQ(f.writes(), (Lines{"0 DIR\r\n", std::to_string(41 * Step(100)) + " DIR\r\n"}));
  EXPECT_EQ(f.rig.view.history(2), (Lines{"DIR", "DIR"}));
  EXPECT_EQ(f.rig.view.history(1).back(), "Dir-81[100msec]");
  EXPECT_EQ(f.rig.now(), end + Step(200));
}

TEST_F(Listing, NoListingIsFalse) {
  f.logger.mute.insert("dir");
  EXPECT_FALSE(terminal().listDirectory());
  EXPECT_EQ(f.rig.now(), 81 * Step(100) + Step(200));
}

TEST_F(Listing, RootSendsItsLineShowsItWithTheLineEndAndWaitsForNothing) {
  LineBefore("kept");
  f.rig.tool.reception.routeTo(Route::Download2);
  terminal().changeToRoot(false);
  EXPECT_EQ(f.writes(), Lines{"0 CD \\\r\n"});
  EXPECT_EQ(f.rig.view.history(2), Lines{"CD \\\r\n"});
  EXPECT_EQ(f.rig.now(), 0u);
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"kept");
  EXPECT_EQ(f.rig.tool.reception.route(), Route::Download2);

  // With DIR it lists afterwards and ignores the listing's result.
  f.logger.mute.insert("dir");
  f.rig.tool.stop.endWaits = true;
  terminal().changeToRoot(true);
  EXPECT_EQ(f.lines().back(), "DIR\r\n");
}

class SizeQuery : public TerminalMode {
 protected:
  // Answers the size query with `reply` and returns the query's result.
  SizeReply AskWithReply(const std::string& reply) {
    f.logger.sizeReply["\\SL01\\SL010.TXT"] = reply;
    return terminal().askSize(u"\\SL01\\SL010.TXT");
  }
};

TEST_F(SizeQuery, ReplyGivesTheSize) {
  f.logger.files["\\SL01\\SL010.TXT"] = std::string(5310, 'x');
  f.rig.tool.reception.routeTo(Route::Download1);
  const SizeReply reply = terminal().askSize(u"\\SL01\\SL010.TXT");
  EXPECT_TRUE(reply.replied);
  EXPECT_EQ(reply.size, 5310);
  EXPECT_EQ(f.writes(), Lines{"0 FSIZE \\SL01\\SL010.TXT\r\n"});
  EXPECT_EQ(f.rig.view.history(2), Lines{"FSIZE \\SL01\\SL010.TXT"});
  // The text names 100 ms; the step lasts 200 ms.
  EXPECT_EQ(f.rig.view.history(1), Lines{"fsize-1[100msec]"});
  EXPECT_EQ(f.rig.now(), Step(200));
  EXPECT_EQ(f.rig.tool.reception.route(), Route::ReceiveLog);
  EXPECT_TRUE(f.rig.tool.reception.lastLine().empty());
}

TEST_F(SizeQuery, ReplyRules) {
  struct Case {
    std::string reply;
    std::int32_t size;
  };
  for (const Case& c : {Case{"FS:5310", 5310}, Case{"FS: 5310", 5310}, Case{"FS:  +12", 12},
                        Case{"FS:0", 0}, Case{"FS:-1", -1}, Case{"FS:2147483647", 2147483647},
                        Case{"FS:2147483648", -1}, Case{"FS:5310 ", -1}, Case{"FS:5310x", -1},
                        Case{"FS:0x10", -1}, Case{"FS:", -1}, Case{"FS", -1}, Case{"FS:1 2", -1}}) {
    FetchRig g;
    g.logger.sizeReply["\\SL01\\SL010.TXT"] = c.reply;
    const SizeReply reply = g.rig.tool.terminal.askSize(u"\\SL01\\SL010.TXT");
    EXPECT_TRUE(reply.replied) << c.reply;
    EXPECT_EQ(reply.size, c.size) << c.reply;
  }
}

TEST_F(SizeQuery, AnEchoIsNotTakenAsTheReply) {
  f.logger.mute.insert("fsize");
  f.logger.onCommand = [&](const std::string& line) {
    f.port.deliver(line + "\r", 20);
    f.port.deliver("FS:5310\r", 300);
  };
  const SizeReply reply = terminal().askSize(u"\\SL01\\SL010.TXT");
  EXPECT_TRUE(reply.replied);
  EXPECT_EQ(reply.size, 5310);
  EXPECT_EQ(reply.line, u"FS:5310");
  EXPECT_EQ(f.rig.now(), 2 * Step(200));
  // An echo and nothing else is no reply.
  FetchRig g;
  g.logger.mute.insert("fsize");
  g.logger.echo = true;
  EXPECT_FALSE(g.rig.tool.terminal.askSize(u"\\SL01\\SL010.TXT").replied);
}

TEST_F(SizeQuery, AOneCharacterLineDoesNotEndTheWait) {
  f.logger.mute.insert("fsize");
  f.port.deliver("7\r", 50);
  f.port.deliver("FS:7\r", 700);
  const SizeReply reply = terminal().askSize(u"\\SL01\\SL010.TXT");
  EXPECT_TRUE(reply.replied);
  EXPECT_EQ(reply.size, 7);
  EXPECT_EQ(f.rig.now(), 4 * Step(200));
}

TEST_F(SizeQuery, ResendsOnceAndGivesUpFalseWithSizeMinusOne) {
  f.logger.mute.insert("fsize");
  const SizeReply reply = terminal().askSize(u"\\SL01\\SL010.TXT");
  EXPECT_FALSE(reply.replied);
  EXPECT_EQ(f.writes(), (Lines{"0 FSIZE \\SL01\\SL010.TXT\r\n",
                               std::to_string(21 * Step(200)) + " FSIZE \\SL01\\SL010.TXT\r\n"}));
  EXPECT_EQ(f.rig.view.history(2).size(), 2u);
  EXPECT_EQ(f.rig.view.history(1).back(), "fsize-51[100msec]");
  EXPECT_EQ(f.rig.now(), 51 * Step(200));
  EXPECT_EQ(reply.size, -1);
}

}  // namespace
}  // namespace th::test
