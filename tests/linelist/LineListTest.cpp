#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/LineList.h"

namespace th {
namespace {

class Recorder : public LineListObserver {
 public:
  void linesAppended(const LineList& /*list*/, std::size_t first) override {
    appended.push_back(first);
  }
  void linesCleared(const LineList& /*list*/) override { ++cleared; }
  std::vector<std::size_t> appended;
  int cleared = 0;
};

TEST(LineList, KeepsEveryLineWholeAndInOrderWhateverItsLength) {
  LineList list;
  std::vector<std::string> expected;
  // Short lines fill many blocks; long ones get blocks of their own in between.
  for (int i = 0; i < 40000; ++i) {
    std::string line = "24-05-06 " + std::to_string(i);
    if (i % 5000 == 17) {
      line.assign(std::size_t{70000} + static_cast<std::size_t>(i),
                  static_cast<char>('a' + i % 26));
    }
    if (i % 1000 == 3) {
      line.clear();
    }
    expected.push_back(line);
    list.append(line);
  }
  ASSERT_EQ(list.count(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(list.raw(i), expected[i]) << i;
  }
}

TEST(LineList, EarlierLinesStayInPlaceWhileLinesAreAdded) {
  LineList list;
  list.append("first");
  const char* at = list.raw(0).data();
  for (int i = 0; i < 100000; ++i) {
    list.append("24-05-06 00:00:00,1.25,-3.50");
  }
  EXPECT_EQ(list.raw(0).data(), at);
  EXPECT_EQ(list.raw(0), "first");
}

TEST(LineList, ReadsAtMost4096BytesButKeepsAll) {
  LineList list;
  list.append(std::string(5000, 'x'));
  EXPECT_EQ(list.raw(0).size(), 5000u);
  EXPECT_EQ(list.line(0), std::string(4096, 'x'));
  EXPECT_EQ(list.lineText(0), Text(4096, u'x'));
}

TEST(LineList, TextKeepsTheLowByteOfEachCharacter) {
  LineList list;
  list.appendText(u"a\u00E9\u20AC");
  list.appendText(Text(u"\0z", 2));
  EXPECT_EQ(list.raw(0), "a\xE9\xAC");
  EXPECT_EQ(list.raw(1), std::string("\0z", 2));
}

TEST(LineList, TellsTheObserverOfEveryAppendAndClear) {
  LineList list;
  Recorder seen;
  list.setObserver(&seen);
  list.append("a");
  list.appendText(u"b");
  list.clear();
  EXPECT_EQ(list.count(), 0u);
  list.append("c");
  EXPECT_EQ(seen.appended, (std::vector<std::size_t>{0, 1, 0}));
  EXPECT_EQ(seen.cleared, 1);
  EXPECT_EQ(list.raw(0), "c");
  list.setObserver(nullptr);
}

}  // namespace
}  // namespace th
