#include "tools/status/SystemSide.h"

#include <cstdlib>
#include <system_error>

#include "platform/win/WinApi.h"
#include "tools/status/win/WideText.h"
// clang-format off
#include <shellapi.h>
// clang-format on

namespace th::status {

namespace {

std::string SystemWords(DWORD error) {
  return std::system_category().message(static_cast<int>(error));
}

}  // namespace

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
  // The ANSI argv would lose what the code page cannot hold.
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    args.push_back(Utf8FromWide(wide[i]));
  }
  ::LocalFree(wide);
  return args;
}

void UseUtf8Console() {
  static UINT previous = 0;
  previous = ::GetConsoleOutputCP();
  if (previous != 0 && previous != CP_UTF8) {
    ::SetConsoleOutputCP(CP_UTF8);
    // The console outlives the program: it gets its code page back.
    std::atexit([] { ::SetConsoleOutputCP(previous); });
  }
}

std::string WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + "." + std::to_string(::GetCurrentProcessId()) + ".tmp";
  const std::wstring wideTemporary = WideFromUtf8(temporary);
  HANDLE h = ::CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return "cannot create " + temporary + ": " + SystemWords(::GetLastError());
  }
  std::string problem;
  DWORD written = 0;
  if (::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) == FALSE ||
      written != bytes.size() || ::FlushFileBuffers(h) == FALSE) {
    problem = "cannot write " + temporary + ": " + SystemWords(::GetLastError());
  }
  ::CloseHandle(h);
  if (problem.empty() &&
      ::MoveFileExW(wideTemporary.c_str(), WideFromUtf8(path).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
    problem = "cannot rename " + temporary + " to " + path + ": " + SystemWords(::GetLastError());
  }
  if (!problem.empty()) {
    ::DeleteFileW(wideTemporary.c_str());
  }
  return problem;
}

}  // namespace th::status
