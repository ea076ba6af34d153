// Sends the tool's window malformed control messages, as a faulty parent
// program might: every one must be answered with 0 and leave the tool
// running. None carries a digit, so none names a device.
//   copydata_probe.exe          the malformed messages
//   copydata_probe.exe close    WM_CLOSE, as a parent that stops the tool
// Exit status 0 when every message was answered with 0 (or the close was
// posted), 1 otherwise, 2 when no window was found.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win/WinApi.h"

namespace {

struct Case {
  const char* name;
  ULONG_PTR dwData;
  DWORD cbData;
  const void* lpData;
};

}  // namespace

int main(int argc, char** argv) {
  HWND window = ::FindWindowW(L"TfTidehaul", L"Tidehaul Ver 1.4.9");
  if (window == nullptr) {
    std::fprintf(stderr, "copydata_probe: no window\n");
    return 2;
  }
  if (argc > 1 && std::string(argv[1]) == "close") {
    return ::PostMessageW(window, WM_CLOSE, 0, 0) != FALSE ? 0 : 1;
  }
  static const wchar_t letters[] = L"abcd";
  static const char oddBytes[] = {'x', 0, 'y'};  // one unit and a lone byte
  static const wchar_t unterminated[] = {L'z', L'z'};
  const std::vector<wchar_t> large(30000, L'q');  // 60,000 bytes without a zero
  const Case cases[] = {
      {"empty payload", 0, 0, letters},
      {"odd-sized payload", 0, sizeof oddBytes, oddBytes},
      {"null pointer with a size", 0, 100, nullptr},
      {"huge dwData", ~static_cast<ULONG_PTR>(0), sizeof letters, letters},
      {"no terminating zero", 0, sizeof unterminated, unterminated},
      {"60,000 bytes without a zero", 0, static_cast<DWORD>(large.size() * sizeof(wchar_t)),
       large.data()},
      {"lone byte", 0, 1, letters},
  };
  int failures = 0;
  for (const Case& c : cases) {
    COPYDATASTRUCT data{};
    data.dwData = c.dwData;
    data.cbData = c.cbData;
    data.lpData = const_cast<void*>(c.lpData);
    DWORD_PTR result = 1;
    const LRESULT sent = ::SendMessageTimeoutW(
        window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000, &result);
    const bool ok = sent != 0 && result == 0;
    std::printf("%s: %s\n", c.name, ok ? "answered 0" : "NOT ANSWERED");
    failures += ok ? 0 : 1;
  }
  return failures == 0 ? 0 : 1;
}
