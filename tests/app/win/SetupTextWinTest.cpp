// The record's texts on Windows: the ANSI code page, byte by byte.
#include <gtest/gtest.h>

#include "app/Setup.h"
#include "platform/win/WinApi.h"

namespace th::test {
namespace {

TEST(SetupLayout, TextsDecodeFromTheAnsiCodePage) {
  if (::GetACP() != 1252) {
    GTEST_SKIP() << "the expected text is that of code page 1252";
  }
  ShortString<100> name{};
  // A 1252 byte, then the UTF-8 bytes of the same letter: two 1252 letters.
  ASSERT_TRUE(name.setBytes("Caf\xE9 \xC3\xA9 \x80"));
  EXPECT_EQ(name.text(), u"Caf\u00E9 \u00C3\u00A9 \u20AC");
}

}  // namespace
}  // namespace th::test
