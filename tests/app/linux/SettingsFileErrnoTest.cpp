// The settings file's open failures with the errno values of Linux.
#include <gtest/gtest.h>

#include <cerrno>

#include "tests/app/SettingOpenErrors.h"

namespace th::test {
namespace {

TEST(SettingOpenErrors, MessagesFollowTheSystemError) {
  ExpectOpenErrorMessages({{EACCES, "File access denied"},
                           {EMFILE, "Too many open files"},
                           {ENOENT, "File not found"},
                           {EBUSY, "I/O error 16"},
                           {EIO, "I/O error 5"}});
}

}  // namespace
}  // namespace th::test
