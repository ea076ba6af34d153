// Platform services on Windows: the ANSI code page, the time separator, the
// executable's folder, error texts and files.
#include <gtest/gtest.h>

#include <array>
#include <cwchar>
#include <filesystem>
#include <vector>

#include "platform/Errors.h"
#include "platform/PlatformServices.h"
#include "platform/Text.h"
#include "platform/win/WinApi.h"
#include "tests/support/TestPlatform.h"

namespace th::test {
namespace {

TEST(WinText, SettingsAndLogTextsUseTheAnsiCodePage) {
  if (::GetACP() != 1252) {
    GTEST_SKIP() << "the expected bytes are those of code page 1252";
  }
  EXPECT_EQ(DecodeAnsi("Station \xE9\x80"), u"Station \u00E9\u20AC");
  EXPECT_EQ(DecodeAnsi(std::string("a\0b", 3)), Text(u"a\0b", 3));
  // Not a look-alike: the code page's default character.
  EXPECT_EQ(EncodeAnsi(u"\u00C4\u20AC\u0100\u4E2D"), "\xC4\x80??");
  EXPECT_EQ(EncodeAnsi(u""), "");
}

TEST(WinText, EveryByteOfTheCodePageComesBack) {
  // The settings tool writes what the tool reads: a round trip keeps bytes.
  if (::GetACP() != 1252) {
    GTEST_SKIP() << "code page 1252 maps every byte";
  }
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) {
      all.push_back(static_cast<char>(b));
    }
  }
  EXPECT_EQ(EncodeAnsi(DecodeAnsi(all)), all);
}

TEST(WinErrors, InputOutputMessagesFollowTheWindowsCode) {
  EXPECT_STREQ(EInOutError::fromErrno(ERROR_FILE_NOT_FOUND).what(), "File not found");
  EXPECT_STREQ(EInOutError::fromErrno(ERROR_PATH_NOT_FOUND).what(), "Invalid filename");
  EXPECT_STREQ(EInOutError::fromErrno(ERROR_TOO_MANY_OPEN_FILES).what(), "Too many open files");
  EXPECT_STREQ(EInOutError::fromErrno(ERROR_ACCESS_DENIED).what(), "File access denied");
  EXPECT_STREQ(EInOutError::fromErrno(ERROR_SHARING_VIOLATION).what(), "I/O error 32");
  EXPECT_STREQ(EInOutError::fromErrno(ERROR_DISK_FULL).what(), "I/O error 112");
}

TEST(WinPlatformServices, ClockSeparatorAndFolderComeFromTheSystem) {
  const auto sys = MakeSystemServices();
  std::array<wchar_t, 8> separator{};
  ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, separator.data(), 8), 0);
  EXPECT_EQ(sys->timeSeparator(),
            Text(separator.data(), separator.data() + std::wcslen(separator.data())));
  const LocalDateTime now = sys->now();
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  EXPECT_EQ(now.year, t.wYear);
  EXPECT_EQ(now.month, t.wMonth);

  std::array<wchar_t, 1024> exe{};
  ASSERT_GT(::GetModuleFileNameW(nullptr, exe.data(), 1024), 0u);
  const std::string folder = sys->executableDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_TRUE(std::filesystem::exists(folder + "platform_tests.exe")) << folder;
}

TEST(WinPlatformServices, FilesAreReadWrittenCutAndSyncedAsTheDataFileWriterNeedsThem) {
  TempDir dir;
  const auto sys = MakeSystemServices();
  const std::string file = dir.str() + "\\A.TXT";
  EXPECT_FALSE(sys->fileExists(file));
  int error = 0;
  EXPECT_EQ(sys->fileSize(file, error), -1);
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(sys->appendFile(file, std::string("ab\0\xFF", 4)), 0);
  EXPECT_EQ(sys->appendFile(file, "cd"), 0);
  EXPECT_TRUE(sys->fileExists(file));
  EXPECT_EQ(sys->fileSize(file, error), 6);
  std::string out;
  EXPECT_EQ(sys->readFileAt(file, 2, 100, out), 0);
  EXPECT_EQ(out, std::string("\0\xFF"
                             "cd",
                             4));
  EXPECT_EQ(sys->truncateFile(file, 3), 0);
  EXPECT_EQ(sys->syncFile(file), 0);
  EXPECT_EQ(sys->readFile(file, 100, out), 0);
  EXPECT_EQ(out, std::string("ab\0", 3));
  EXPECT_EQ(sys->rewriteFile(file, "new"), 0);
  EXPECT_EQ(ReadWholeFile(file), "new");
  EXPECT_EQ(sys->readFile(dir.str() + "\\missing", 1, out), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(sys->createDirectory(dir.str() + "\\sub"), 0);
  EXPECT_EQ(sys->createDirectory(dir.str() + "\\sub"), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(sys->fileExists(dir.str() + "\\sub"));
}

TEST(WinPlatformServices, AFolderOrADeviceInAFilesPlaceIsRefused) {
  TempDir dir;
  const auto sys = MakeSystemServices();
  std::string out;
  int error = 0;
  EXPECT_EQ(sys->readFile(dir.str(), 1, out), ERROR_ACCESS_DENIED);
  for (const std::string& device :
       std::vector<std::string>{"NUL", "\\\\.\\NUL", dir.str() + "\\COM1.TXT"}) {
    EXPECT_EQ(sys->readFile(device, 1, out), ERROR_INVALID_PARAMETER) << device;
    EXPECT_EQ(sys->rewriteFile(device, "x"), ERROR_INVALID_PARAMETER) << device;
    EXPECT_EQ(sys->fileSize(device, error), -1) << device;
    EXPECT_EQ(sys->syncFile(device), ERROR_INVALID_PARAMETER) << device;
  }
}

TEST(WinPlatformServices, AFileHeldWithoutSharingIsASharingViolation) {
  TempDir dir;
  const auto sys = MakeSystemServices();
  const std::string file = dir.str() + "\\Setting.dat";
  WriteWholeFile(file, "abc");
  HANDLE held = ::CreateFileW(std::filesystem::path(file).wstring().c_str(), GENERIC_READ, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string out;
  EXPECT_EQ(sys->readFile(file, 3, out), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(sys->appendFile(file, "d"), ERROR_SHARING_VIOLATION);
  ::CloseHandle(held);
  EXPECT_EQ(sys->readFile(file, 3, out), 0);
  EXPECT_EQ(out, "abc");
}

}  // namespace
}  // namespace th::test
