// The Windows build of tidehaul-status beside this test program, run with its
// standard output and error in files.
#include "tests/status/Program.h"

#include "platform/win/WinApi.h"
#include "tests/support/TestPlatform.h"

namespace th::status::test {

namespace {

std::wstring Wide(const std::string& text) {
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// One argument as CommandLineToArgvW splits it again.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramRun RunStatusProgram(const std::vector<std::string>& args, const std::string& now) {
  std::wstring program(MAX_PATH, L'\0');
  program.resize(::GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
  program = program.substr(0, program.find_last_of(L'\\') + 1) + L"tidehaul-status.exe";
  std::wstring commandLine = Quoted(program);
  for (const std::string& a : args) {
    commandLine += L" " + Quoted(Wide(a));
  }
  ::SetEnvironmentVariableW(L"TIDEHAUL_STATUS_NOW", Wide(now).c_str());
  const th::test::TempDir dir;
  const std::wstring outPath = (dir.path() / "out").wstring();
  const std::wstring errPath = (dir.path() / "err").wstring();
  HANDLE in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = Inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = Inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  ProgramRun run;
  const BOOL started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &si, &pi);
  ::CloseHandle(in);
  ::CloseHandle(out);
  ::CloseHandle(err);
  if (started == FALSE) {
    run.err = "cannot run tidehaul-status.exe";
    return run;
  }
  ::WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  run.code = code == STILL_ACTIVE ? -1 : static_cast<int>(code);
  // Standard output is text: its line ends are CR LF here.
  for (auto [text, name] : {std::pair{&run.out, "out"}, std::pair{&run.err, "err"}}) {
    *text = th::test::ReadWholeFile(dir.path() / name);
    for (std::size_t at = text->find("\r\n"); at != std::string::npos;
         at = text->find("\r\n", at)) {
      text->erase(at, 1);
    }
  }
  return run;
}

}  // namespace th::status::test
