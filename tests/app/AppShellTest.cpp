#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

// Start the tool as program entry does: create, show, run the loop.
void StartAndRun(Rig& r) {
  r.tool.shell.onCreate();
  r.loop.post([&] { r.tool.shell.onFirstShow(); });
  r.loop.run();
}

// The bytes of a control message: UTF-16LE units, optionally with the zero unit.
std::vector<std::uint8_t> Utf16(std::u16string_view text, bool terminated = true) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminated) {
    bytes.insert(bytes.end(), {0, 0});
  }
  return bytes;
}

void SendBytes(Rig& r, const std::vector<std::uint8_t>& bytes) {
  ControlMessage data;
  data.size = static_cast<std::uint32_t>(bytes.size());
  data.data = bytes.empty() ? nullptr : bytes.data();
  r.tool.shell.onControlMessage(data);
}

void Send(Rig& r, std::u16string_view text) {
  SendBytes(r, Utf16(text));
}

// Runs `call` once, `ms` of virtual time after the rig was made.
void At(Rig& r, std::uint32_t ms, std::function<void()> call) {
  r.loop.startTimer(ms, false, std::move(call));
}

// A direct-line device that never answers: its job opens the port, knocks for
// about five seconds and gives up. Panel 0 then shows "COM<40 + n> Open".
void DirectDevice(Rig& r, int n) {
  Setup& s = r.device(n);
  s.DeviceSet.DeviceName.setBytes("Station " + std::to_string(n));
  s.DeviceSet.LogID.setBytes("01");
  s.PortSet.COMPORT.set(40 + n);
  s.PortSet.Baudrate.setBytes("9600");
  s.ModemSet.ModemType.setBytes("Direct");
}

std::vector<std::string> Waiting(int from, int to) {
  std::vector<std::string> texts;
  for (int i = from; i <= to; ++i) {
    texts.push_back("Waiting-" + std::to_string(i) + "[Sec]");
  }
  return texts;
}

// Moment (virtual ms since start) at which panel 0 first showed `text`; -1 never.
std::int64_t FirstShown(const Rig& r, const std::string& text) {
  for (const auto& s : r.view.stamped()) {
    if (s.panel == 0 && s.text == text) {
      return std::int64_t{s.tick} - 1000;
    }
  }
  return -1;
}

bool Shown(const Rig& r, const std::string& text) {
  return FirstShown(r, text) >= 0;
}

TEST(WaitTimer, ClosesAtTheEleventhTickWithoutANumber) {
  NullPort port;
  Rig r(port);
  StartAndRun(r);
  EXPECT_EQ(r.view.history(0), Waiting(1, 11));
  EXPECT_EQ(r.now(), 11000u);
  EXPECT_TRUE(r.tool.stop.endWaits);
  EXPECT_TRUE(r.tool.stop.stopExchanges);
  EXPECT_FALSE(r.loop.stalled());
  EXPECT_TRUE(r.tool.shell.runOver());
  // No job ran: nothing was shown of a device, and nothing was logged.
  EXPECT_FALSE(r.view.device().has_value());
  EXPECT_EQ(r.tool.reception.route(), Route::ReceiveLog);
  EXPECT_FALSE(r.tool.line.up);
  EXPECT_FALSE(std::filesystem::exists(r.dir.path() / "LogFile.Log"));
}

TEST(WaitTimer, FirstShowingTakesTheYear) {
  NullPort port;
  Rig r(port);
  r.sys.clock.year = 2031;
  r.tool.shell.onFirstShow();
  EXPECT_EQ(r.tool.receivePath.year(), u"31");
  r.sys.clock.year = 2007;
  r.tool.shell.onFirstShow();
  EXPECT_EQ(r.tool.receivePath.year(), u"07");
}

TEST(WaitTimer, NumberIsPickedUpAtTheNextTickWhichShowsTheDeviceAndRunsTheJob) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 7);
  At(r, 2500, [&] { Send(r, u"0007"); });
  StartAndRun(r);
  const auto& panel0 = r.view.history(0);
  ASSERT_GE(panel0.size(), 3u);
  EXPECT_EQ(panel0[0], "Waiting-1[Sec]");
  EXPECT_EQ(panel0[1], "Waiting-2[Sec]");
  EXPECT_EQ(panel0.back(), "Waiting-11[Sec]");
  EXPECT_EQ(std::count(panel0.begin(), panel0.end(), "Waiting-11[Sec]"), 1);
  // The third tick (at 3000) ran the job for record 7 after showing it.
  const auto opened = FirstShown(r, "COM47 Open");
  EXPECT_GE(opened, 3000);
  EXPECT_LT(opened, 3500);
  EXPECT_EQ(r.view.fieldText(Field::lbeSelectedDeviceName), u"Station 7");
  EXPECT_EQ(r.view.fieldText(Field::cbbPortno), u"COM47");
  EXPECT_TRUE(r.tool.shell.runOver());
  // The program closed in that same tick: no tick came after the job.
  EXPECT_EQ(FirstShown(r, "Waiting-11[Sec]"), static_cast<std::int64_t>(r.now()));
  EXPECT_TRUE(r.tool.stop.endWaits);
  EXPECT_FALSE(r.loop.stalled());
}

TEST(WaitTimer, TheLaterOfTwoMessagesBeforeOneTickIsUsed) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 5);
  DirectDevice(r, 7);
  At(r, 1200, [&] { Send(r, u"5"); });
  At(r, 1700, [&] { Send(r, u"7"); });
  StartAndRun(r);
  EXPECT_TRUE(Shown(r, "COM47 Open"));
  EXPECT_FALSE(Shown(r, "COM45 Open"));
  EXPECT_EQ(r.view.history(0).front(), "Waiting-1[Sec]");
}

TEST(WaitTimer, MessageBetweenEighthAndNinthTickRunsTheJobAtTheNinth) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 3);
  At(r, 8500, [&] { Send(r, u"3"); });
  StartAndRun(r);
  const auto opened = FirstShown(r, "COM43 Open");
  EXPECT_GE(opened, 9000);
  EXPECT_LT(opened, 9500);
  EXPECT_EQ(r.view.history(0).back(), "Waiting-11[Sec]");
  EXPECT_GT(r.now(), 9000u);
}

TEST(WaitTimer, MessageDuringTheJobOnlyChangesTheLabel) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 5);
  DirectDevice(r, 7);
  At(r, 500, [&] { Send(r, u"7"); });
  At(r, 2500, [&] { Send(r, u"5"); });  // the job for 7 runs from 1000 for about 5 s
  StartAndRun(r);
  EXPECT_EQ(r.view.pendingDevice(), u"5");
  EXPECT_TRUE(Shown(r, "COM47 Open"));
  EXPECT_FALSE(Shown(r, "COM45 Open"));
  EXPECT_EQ(r.view.fieldText(Field::lbeSelectedDeviceName), u"Station 7");
  EXPECT_EQ(r.view.history(0).back(), "Waiting-11[Sec]");
  EXPECT_GT(r.now(), 2500u);
}

TEST(WaitTimer, CloseRequestWhileWaitingEndsTheRunWithoutAJob) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 7);
  At(r, 3500, [&] { r.tool.shell.closeWindow(); });
  At(r, 3600, [&] { Send(r, u"7"); });
  StartAndRun(r);
  EXPECT_EQ(r.now(), 3500u);
  EXPECT_EQ(r.view.history(0), Waiting(1, 3));
  EXPECT_TRUE(r.tool.stop.endWaits);
  EXPECT_TRUE(r.tool.stop.stopExchanges);
  EXPECT_FALSE(Shown(r, "COM47 Open"));
}

TEST(WaitTimer, CloseRequestDuringTheJobWindsItDownAndTheFlagsStaySet) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 7);
  At(r, 500, [&] { Send(r, u"7"); });
  At(r, 2000, [&] { r.tool.shell.closeWindow(); });
  // Whatever runs after the close still finds both flags set.
  std::vector<bool> seen;
  At(r, 2001, [&] { seen.push_back(r.tool.stop.endWaits && r.tool.stop.stopExchanges); });
  StartAndRun(r);
  EXPECT_TRUE(Shown(r, "COM47 Open"));
  // The job's waits returned at once: the run ended right after the close.
  EXPECT_GE(r.now(), 2000u);
  EXPECT_LT(r.now(), 2300u);
  EXPECT_TRUE(r.tool.stop.endWaits);
  EXPECT_TRUE(r.tool.stop.stopExchanges);
  for (const bool both : seen) {
    EXPECT_TRUE(both);
  }
  // A later tick or close leaves them set.
  r.tool.shell.onTimerTick();
  r.tool.shell.onCloseRequest();
  EXPECT_TRUE(r.tool.stop.endWaits);
  EXPECT_TRUE(r.tool.stop.stopExchanges);
}

TEST(WaitTimer, DeviceNumbersWithoutARecordCountLikeAnEmptyLabel) {
  for (const std::u16string_view text : {u"255", u"9999", u"1000"}) {
    NullPort port;
    Rig r(port);
    At(r, 1500, [&] { Send(r, text); });
    StartAndRun(r);
    EXPECT_EQ(r.view.history(0), Waiting(1, 11)) << ToUtf8(Text(text));
    EXPECT_EQ(r.now(), 11000u);
    // Nothing was shown: the fields keep the window's initial contents.
    EXPECT_EQ(r.view.fieldText(Field::cbbPortno), u"COM1");
  }
}

TEST(WaitTimer, TheLastRecordIsADevice) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 254);
  At(r, 500, [&] { Send(r, u"254"); });
  StartAndRun(r);
  EXPECT_TRUE(Shown(r, "COM294 Open"));
}

TEST(WaitTimer, MessageWithoutDigitsKeepsTheCounterRunning) {
  NullPort port;
  Rig r(port);
  At(r, 2500, [&] { Send(r, u"abcd5"); });
  StartAndRun(r);
  EXPECT_EQ(r.view.pendingDevice(), u"");
  EXPECT_EQ(r.view.history(0), Waiting(1, 11));
}

TEST(WaitTimer, AFailingTickEndsTheProgramSilently) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 2);
  r.device(2).PortSet.Baudrate.setBytes("fast");  // not a number: the job raises
  At(r, 1500, [&] { Send(r, u"2"); });
  StartAndRun(r);
  EXPECT_EQ(r.now(), 2000u);
  EXPECT_TRUE(r.loop.quitRequested());
  EXPECT_TRUE(r.tool.shell.runOver());
  EXPECT_EQ(r.view.history(0).back(), "COM42 Open");
  EXPECT_TRUE(r.view.history(3).empty());
  EXPECT_FALSE(std::filesystem::exists(r.dir.path() / "LogFile.Log"));
}

TEST(WaitTimer, TickDuringAJobStartedByHandStartsNoSecondJob) {
  NullPort port;
  Rig r(port);
  DirectDevice(r, 7);
  r.tool.shell.onCreate();
  r.tool.shell.onFirstShow();
  Send(r, u"7");
  r.tool.shell.onStartButton();  // runs the whole job; its waits pass several ticks
  EXPECT_EQ(std::count(r.view.history(0).begin(), r.view.history(0).end(), "COM47 Open"), 1);
  EXPECT_TRUE(r.tool.shell.runOver());
  EXPECT_FALSE(r.loop.quitRequested());
}

// Message texts and the label they leave (the first four units count, digits only).
TEST(ControlMessage, LabelTakesTheDigitsOfTheFirstFourCharacters) {
  const struct {
    std::u16string_view text;
    std::u16string_view label;
  } cases[] = {
      {u"3", u"3"},
      {u"12345", u"1234"},
      {u"-1", u"1"},
      {u"a1b2", u"12"},
      {u"0007", u"0007"},
      {u"abcd5", u""},
      {u"", u""},
      {u" 7 ", u"7"},
      {u"\u0663\uFF117", u"7"},  // other scripts' digits are no digits
      {u"\xD83D\xDE00"
       u"12",
       u"12"},  // a surrogate pair takes two of the four
      {u"\xD83D"
       u"9",
       u"9"},  // a lone surrogate half is dropped
  };
  for (const auto& c : cases) {
    NullPort port;
    Rig r(port);
    Send(r, c.text);
    EXPECT_EQ(r.view.pendingDevice(), c.label) << ToUtf8(Text(c.text));
  }
}

TEST(ControlMessage, TextEndsAtTheZeroUnitOrTheEndOfTheData) {
  NullPort port;
  Rig r(port);
  // A null lpData gives an empty label.
  r.view.setPendingDevice(u"-1");
  r.tool.shell.onControlMessage(ControlMessage{});
  EXPECT_EQ(r.view.pendingDevice(), u"");
  // No zero unit: the data ends the text.
  SendBytes(r, Utf16(u"42", false));
  EXPECT_EQ(r.view.pendingDevice(), u"42");
  // Units after the zero unit are not part of the text.
  auto bytes = Utf16(u"4");
  const auto tail = Utf16(u"9");
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  SendBytes(r, bytes);
  EXPECT_EQ(r.view.pendingDevice(), u"4");
  // A lone trailing byte is no unit.
  bytes = Utf16(u"56", false);
  bytes.push_back('7');
  SendBytes(r, bytes);
  EXPECT_EQ(r.view.pendingDevice(), u"56");
  bytes = {'8'};
  SendBytes(r, bytes);
  EXPECT_EQ(r.view.pendingDevice(), u"");
}

TEST(ControlMessage, ReadsNoByteBeyondCbData) {
  NullPort port;
  Rig r(port);
  // Exactly cbData bytes on the heap, no terminator: a read past them is a
  // sanitizer error.
  const auto src = Utf16(u"81", false);
  const auto heap = std::make_unique<std::uint8_t[]>(src.size());
  std::copy(src.begin(), src.end(), heap.get());
  ControlMessage data;
  data.size = static_cast<std::uint32_t>(src.size());
  data.data = heap.get();
  r.tool.shell.onControlMessage(data);
  EXPECT_EQ(r.view.pendingDevice(), u"81");
  // A long text without a terminator is cut at four units.
  const auto many = Utf16(std::u16string(40000, u'9'), false);
  SendBytes(r, many);
  EXPECT_EQ(r.view.pendingDevice(), u"9999");
}

TEST(DigitsOf, KeepsAsciiDigitsInOrder) {
  EXPECT_EQ(DigitsOf(u"a1b2"), u"12");
  EXPECT_EQ(DigitsOf(u"-1"), u"1");
  EXPECT_EQ(DigitsOf(u""), u"");
  EXPECT_EQ(DigitsOf(u"/:09"), u"09");  // the characters around the digits are not digits
  EXPECT_EQ(DigitsOf(u"\uFF10\u0660x"), u"");
  EXPECT_EQ(DigitsOf(u"0123456789"), u"0123456789");
}

}  // namespace
}  // namespace th::test
