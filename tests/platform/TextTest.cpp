#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/PlatformServices.h"
#include "platform/Text.h"

namespace th {
namespace {

TEST(Text, LineBytesKeepTheirLowByte) {
  EXPECT_EQ(TextToBytes(u"\u00E9\u20AC"), "\xE9\xAC");
  EXPECT_EQ(BytesToText(std::string("a\0\xFF", 3)), (Text{u'a', 0, 0xFF}));
}

TEST(Text, WholeNumbersAsTheConversionsAcceptThem) {
  std::int32_t v = 0;
  EXPECT_TRUE(TryTextToInt(u"0007", v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(TryTextToInt(u" -12 ", v));
  EXPECT_EQ(v, -12);
  EXPECT_FALSE(TryTextToInt(u"", v));
  EXPECT_FALSE(TryTextToInt(u"12a", v));
  EXPECT_FALSE(TryTextToInt(u"2147483648", v));
  EXPECT_TRUE(TryTextToInt(u"-2147483648", v));
  EXPECT_EQ(TextToIntDef(u"x", -1), -1);
}

TEST(Text, DateTimeUsesTheRegionalSeparator) {
  const LocalDateTime t{2024, 5, 6, 14, 5, 31};
  EXPECT_EQ(FormatDateTime(t, u":"), u"2024-05-06 14:05:31");
  EXPECT_EQ(FormatDateTime(t, u"."), u"2024-05-06 14.05.31");
}

TEST(Text, UpperCasedSearchMatchesUpperCasingFirst) {
  for (const Text& line : {Text(u"no carrier"), Text(u"NO CARRIER"), Text(u"xCaRrIeR"),
                           Text(u"CARRIE"), Text(u"carri\u00E9r"), Text(u"\u00E7arrier"), Text()}) {
    EXPECT_EQ(ContainsUpperCased(line, u"CARRIER"), Contains(AsciiUpper(line), u"CARRIER"))
        << ToUtf8(line);
  }
  EXPECT_TRUE(ContainsUpperCased(u"ccarrier", u"CARRIER"));  // a false start is retried
  EXPECT_TRUE(ContainsUpperCased(u"", u""));
}

TEST(Text, AssignBytesReplacesTheWholeText) {
  Text t = u"a much longer text than the bytes";
  AssignBytes(t, std::string("\xFFz\0", 3));
  EXPECT_EQ(t, (Text{0xFF, u'z', 0}));
  AssignBytes(t, "");
  EXPECT_TRUE(t.empty());
}

}  // namespace
}  // namespace th
