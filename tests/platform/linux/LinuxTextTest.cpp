// The ANSI texts and error messages of Linux: UTF-8, errno values.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/Text.h"

namespace th {
namespace {

TEST(Text, SettingsTextsDecodeAsUtf8AndOtherBytesAsTheirOwnNumber) {
  EXPECT_EQ(DecodeAnsi("Station \xC3\xA9"), u"Station \u00E9");
  EXPECT_EQ(DecodeAnsi("A\xE9Z"), u"A\u00E9Z");        // not UTF-8: byte by byte
  EXPECT_EQ(DecodeAnsi("\xE2\x82"), u"\u00E2\u0082");  // cut sequence: nothing dropped
  EXPECT_EQ(EncodeAnsi(u"\u20AC"), "\xE2\x82\xAC");
}

TEST(Errors, InputOutputMessagesFollowTheSystemCode) {
  EXPECT_STREQ(EInOutError::fromErrno(2).what(), "File not found");
  EXPECT_STREQ(EInOutError::fromErrno(13).what(), "File access denied");
  EXPECT_STREQ(EInOutError::fromErrno(24).what(), "Too many open files");
  EXPECT_STREQ(EInOutError::fromErrno(11).what(), "I/O error 11");
  EXPECT_STREQ(EInOutError::readBeyondEnd().what(), "Read beyond end of file");
}

}  // namespace
}  // namespace th
