// The record's texts on Linux: UTF-8, other bytes as their own number.
#include <gtest/gtest.h>

#include "app/Setup.h"

namespace th::test {
namespace {

TEST(SetupLayout, BytesThatAreNotUtf8DecodeOneByOne) {
  ShortString<100> name{};
  // A Latin-1 byte, then UTF-8 for the same letter.
  ASSERT_TRUE(name.setBytes("Caf\xE9 \xC3\xA9"));
  EXPECT_EQ(name.text(), u"Caf\u00E9 \u00E9");
}

}  // namespace
}  // namespace th::test
