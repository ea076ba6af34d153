#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "link/LineAssembly.h"
#include "link/ReceivePath.h"
#include "tests/link/LinkRig.h"
#include "tests/link/ReferenceReceive.h"
#include "tests/support/NullPort.h"

namespace th::test {
namespace {

// Hands the receive path whatever the test queued, as one notification.
class FeedPort : public NullPort {
 public:
  int read(Text& str, int count) override {
    const auto n = std::min(pending.size(), static_cast<std::size_t>(count));
    str = BytesToText(std::string_view(pending).substr(0, n));
    pending.erase(0, n);
    return static_cast<int>(n);
  }
  std::string pending;
};

struct FeedRig {
  FeedRig() { rig.tool.receivePath.setYear(u"24"); }
  void feed(const std::string& bytes) {
    port.pending += bytes;
    rig.tool.receivePath.onArrival(static_cast<int>(bytes.size()));
  }
  FeedPort port;
  Rig rig{port};
};

TEST(ReceivePath, AssemblesLinesAcrossNotificationsAndCountsEveryByte) {
  FeedRig f;
  f.feed("O");
  EXPECT_EQ(f.rig.tool.reception.bytesCounted(), 1);
  EXPECT_TRUE(f.rig.view.history(3).empty());
  f.feed("K\r\n");
  EXPECT_EQ(f.rig.tool.reception.bytesCounted(), 4);
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"OK");
  EXPECT_EQ(f.rig.view.history(3), std::vector<std::string>{"OK"});
  ASSERT_EQ(f.rig.panes.receiveLog.count(), 1u);
  EXPECT_EQ(f.rig.panes.receiveLog.raw(0), "OK");
  EXPECT_TRUE(f.rig.tool.reception.partialLine().empty());
}

TEST(ReceivePath, DropsLineFeedsAndTakesEmptyLinesOnlyIntoBuff) {
  FeedRig f;
  f.feed("abc\ndef\r");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"abcdef");
  f.feed("\r\n\r\n");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"");
  EXPECT_EQ(f.rig.view.history(3), std::vector<std::string>{"abcdef"});
  EXPECT_EQ(f.rig.panes.receiveLog.count(), 1u);
  // Control characters and high bytes are part of the line.
  f.feed(std::string("a\0b\x1b\xff", 5) + "\r");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), (Text{u'a', 0, u'b', 0x1b, 0xff}));
}

TEST(ReceivePath, CountsLineFeedsWithoutTheirCarriageReturnSinceTheRead) {
  struct Case {
    std::vector<std::string> chunks;
    int bare;
  };
  for (const Case& c : {Case{{"a\r\nb\r\n"}, 0}, Case{{"a\r", "\nb\r\n"}, 0}, Case{{"a\nb\n"}, 2},
                        Case{{"a\r\n\n"}, 1}, Case{{"a\n", "\r\n"}, 1},
                        Case{{"\n"}, 0} /* the CR came before the read */, Case{{"a\r\r\n"}, 0}}) {
    FeedRig f;
    f.feed("x\r");  // before the read: not counted
    f.rig.tool.reception.beginRead(u"fread \\A");
    for (const std::string& chunk : c.chunks) {
      f.feed(chunk);
    }
    EXPECT_EQ(f.rig.tool.reception.bareLineFeeds(), c.bare) << c.chunks[0];
  }
}

TEST(ReceivePath, APartialLineTakenOutIsFiledLaterAsItsOwnLine) {
  FeedRig f;
  f.rig.tool.reception.routeTo(Route::Download1);
  f.feed("08-05-06 14:00:00,1");
  const Text taken = f.rig.tool.receivePath.takePartialLine();
  EXPECT_EQ(taken, u"08-05-06 14:00:00,1");
  EXPECT_FALSE(f.rig.tool.reception.lineOpen());
  // What comes next starts a line of its own.
  f.feed("FS:9\r");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"FS:9");
  f.rig.tool.receivePath.fileLine(taken);
  ASSERT_EQ(f.rig.panes.download1.count(), 1u);
  EXPECT_EQ(f.rig.panes.download1.raw(0), "24-05-06 14:00:00,1");
  f.rig.tool.receivePath.fileLine(u"");
  EXPECT_EQ(f.rig.panes.download1.count(), 1u);
}

TEST(ReceivePath, StripsTagsAfterEveryCharacterSoRemovalsCascade) {
  FeedRig f;
  f.feed("AE32B\r");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"AB");
  f.feed("E2E321\r");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"");
  f.feed("1.5E00,2E6E622.5E40\r");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"1.5,2.5");  // "2E6" + "2" cascades too
  // Case-sensitive: "e32" stays.
  f.feed("e32\r");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"e32");
}

TEST(ReceivePath, PatchesTheYear08) {
  FeedRig f;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Time Read 08-01-02 03:04:05", "Time Read 24-01-02 03:04:05"},
      {"Time Set 08-01-02", "Time Set 24-01-02"},
      {"08,1.5,2.5", "24,1.5,2.5"},
      {"Time Read 09-01-02", "Time Read 09-01-02"},
      {"time read 08-01-02", "time read 08-01-02"},
      // A "Time Read" line that fails rule 1 still meets rule 3.
      {"08 Time Read", "24 Time Read"},
      {"0", "0"},
  };
  for (const auto& [in, out] : cases) {
    f.feed(in + "\r");
    EXPECT_EQ(ToUtf8(f.rig.tool.reception.lastLine()), out) << in;
  }
}

TEST(ReceivePath, CarrierClearsTheLinkAndLinesAreRoutedByTheIndex) {
  FeedRig f;
  f.rig.tool.line.up = true;
  f.feed("NO CARRIER\r");
  EXPECT_FALSE(f.rig.tool.line.up);
  EXPECT_EQ(f.rig.panes.receiveLog.raw(0), "NO CARRIER");
  f.rig.tool.line.up = true;
  f.feed("no carrier\r");
  EXPECT_FALSE(f.rig.tool.line.up);

  f.rig.tool.reception.routeTo(Route::Download1);
  f.feed("2024-01-02,1.5\r12.5\r");
  ASSERT_EQ(f.rig.panes.download1.count(), 1u);
  EXPECT_EQ(f.rig.panes.download1.raw(0), "2024-01-02,1.5");
  EXPECT_EQ(f.rig.tool.reception.lastLine(), u"12.5");
  EXPECT_EQ(f.rig.view.panelText(3), u"12.5");
  f.rig.tool.reception.routeTo(Route::Download2);
  f.feed("a-b\rab\r");
  EXPECT_EQ(f.rig.panes.download2.count(), 1u);
  f.rig.tool.reception.routeTo(Route::Nowhere);
  f.feed("x-y\r");
  EXPECT_EQ(f.rig.panes.receiveLog.count(), 2u);
  EXPECT_EQ(f.rig.panes.download1.count(), 1u);
  EXPECT_EQ(f.rig.panes.download2.count(), 1u);
  EXPECT_EQ(f.rig.view.panelText(3), u"x-y");

  f.rig.tool.reception.clearPane(Route::Download1);
  EXPECT_EQ(f.rig.panes.download1.count(), 0u);
  EXPECT_EQ(f.rig.panes.download2.count(), 1u);
  f.rig.tool.reception.clearPane(Route::Nowhere);
  EXPECT_EQ(f.rig.panes.download2.count(), 1u);
}

TEST(ReceivePath, NotesTheMomentOfEveryArrivalAndAHangUp) {
  FeedRig f;
  f.rig.loop.startTimer(250, false, [&] { f.feed("a"); });
  f.rig.tool.waiter.wait(300);
  EXPECT_EQ(f.rig.tool.reception.lastArrival() - f.rig.loop.tick(),
            static_cast<std::uint32_t>(-51));
  EXPECT_FALSE(f.rig.tool.line.lost);
  f.rig.tool.receivePath.onHangup();
  EXPECT_TRUE(f.rig.tool.line.lost);
}

// Inputs rich in the characters of the tags, with line ends among them.
class TagRichInput {
 public:
  explicit TagRichInput(std::uint32_t seed) : rng_(seed) {}
  std::string next(std::size_t maxLength) {
    static constexpr std::string_view kAlphabet = "EEEE3322116644000\r\nA8";
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string s(length(rng_), ' ');
    for (char& c : s) {
      c = kAlphabet[pick(rng_)];
    }
    return s;
  }

 private:
  std::mt19937 rng_;
};

TEST(ReceivePathEquivalence, TailCheckMatchesWholeLineStrippingOnMillionsOfInputs) {
  TagRichInput input(20240506);
  std::size_t characters = 0;
  for (int i = 0; i < 1'500'000; ++i) {
    const std::string s = input.next(i % 100 == 0 ? 400 : 24);
    Text fast;
    Text reference;
    for (const char c : s) {
      const auto ch = static_cast<char16_t>(static_cast<unsigned char>(c));
      if (ch == u'\r' || ch == u'\n') {
        if (ch == u'\r') {
          fast.clear();
          reference.clear();
        }
        continue;
      }
      AddLineChar(fast, ch);
      ReferenceAddChar(reference, ch);
      ++characters;
      if (fast != reference) {
        FAIL() << "input " << i << " \"" << s << "\": \"" << ToUtf8(fast) << "\" vs \""
               << ToUtf8(reference) << "\"";
      }
    }
  }
  EXPECT_GT(characters, 15'000'000u);
}

TEST(ReceivePathEquivalence, RunOfCharactersMatchesOneAtATime) {
  TagRichInput input(4242);
  Text one;
  Text run;
  for (int i = 0; i < 300'000; ++i) {
    std::string s = input.next(i % 100 == 0 ? 400 : 24);
    std::erase(s, '\r');
    const Text chars = BytesToText(s);
    for (const char16_t c : chars) {
      if (c != u'\n') {
        AddLineChar(one, c);
      }
    }
    AddLineChars(run, chars);
    ASSERT_EQ(run, one) << s;
    if (i % 7 == 0) {  // also runs that continue a line left over from before
      one.clear();
      run.clear();
    }
  }
}

TEST(ReceivePathEquivalence, WholePathMatchesTheReferenceInAnyChunking) {
  TagRichInput input(7);
  std::mt19937 split(11);
  FeedRig f;
  Text pending;
  for (int i = 0; i < 20'000; ++i) {
    const std::string s = input.next(i % 50 == 0 ? 3000 : 60);
    const std::vector<Text> expected = ReferenceLines(BytesToText(s), pending, u"24");
    f.rig.tool.reception.clearPane(Route::ReceiveLog);
    std::size_t pos = 0;
    while (pos < s.size()) {
      const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 16)(split);
      f.feed(s.substr(pos, n));
      pos += n;
    }
    // The pane takes every non-empty line; Buff holds the last one, empty or not.
    std::vector<std::string> nonEmpty;
    for (const Text& line : expected) {
      if (!line.empty()) {
        nonEmpty.push_back(TextToBytes(line));
      }
    }
    ASSERT_EQ(f.rig.panes.receiveLog.count(), nonEmpty.size()) << s;
    for (std::size_t k = 0; k < nonEmpty.size(); ++k) {
      ASSERT_EQ(f.rig.panes.receiveLog.raw(k), nonEmpty[k]) << s;
    }
    if (!expected.empty()) {
      ASSERT_EQ(f.rig.tool.reception.lastLine(), expected.back()) << s;
    }
    ASSERT_EQ(f.rig.tool.reception.partialLine(), pending) << s;
  }
}

}  // namespace
}  // namespace th::test
