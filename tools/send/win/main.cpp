// tidehaul-send.exe [--wait SECONDS] TEXT | --help | --version
// Names the device for a running tidehaul.exe: finds its window by class and
// title and sends TEXT in WM_COPYDATA, as the parent program does.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/win/WinApi.h"

namespace {

constexpr wchar_t kClassName[] = L"TfTidehaul";
constexpr wchar_t kTitle[] = L"Tidehaul Ver 1.4.9";
constexpr UINT kReplyTimeoutMs = 10000;
constexpr auto kRetryPause = std::chrono::milliseconds(100);
constexpr std::size_t kMaxUnits = 32767;

constexpr const char* kUsage =
    "usage: tidehaul-send [--wait SECONDS] TEXT\n"
    "       tidehaul-send --help | --version\n"
    "Sends TEXT (the device number) to the running tidehaul: the window of class\n"
    "TfTidehaul titled \"Tidehaul Ver 1.4.9\" gets it in WM_COPYDATA. --wait keeps\n"
    "looking for the window that many seconds.\n"
    "Exit status: 0 once the tool answered, 1 when it could not be reached, 2 for a\n"
    "bad command line.\n";

std::string Narrow(const std::wstring& wide) {
  std::string out;
  for (const wchar_t c : wide) {
    out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return out;
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "tidehaul-send: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

bool ParseSeconds(const std::wstring& s, long& out) {
  if (s.empty() || s.size() > 5 || s.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return false;
  }
  out = std::stol(s);
  return out <= 86400;
}

// 0 when the window answered; otherwise what went wrong.
int Send(HWND window, const std::wstring& text, std::string& error) {
  // The copied bytes hold the text and its terminating zero.
  COPYDATASTRUCT data{};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(text.c_str());
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                            SMTO_ABORTIFHUNG, kReplyTimeoutMs, &result) != 0) {
    return 0;
  }
  const DWORD code = ::GetLastError();
  error = code == ERROR_TIMEOUT
              ? "the tidehaul window did not answer within 10 s"
              : "the tidehaul window went away (error " + std::to_string(code) + ")";
  return code == ERROR_TIMEOUT ? 1 : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  long waitSeconds = 0;
  std::wstring text;
  int texts = 0;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"-h" || arg == L"--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == L"--version") {
      std::printf("tidehaul-send %s\n", TIDEHAUL_VERSION);
      return 0;
    }
    if (arg == L"--wait") {
      if (i + 1 == argc) {
        return Usage("--wait needs a value");
      }
      if (!ParseSeconds(argv[++i], waitSeconds)) {
        return Usage("--wait needs a whole number from 0 to 86400, not \"" + Narrow(argv[i]) +
                     "\"");
      }
    } else if (arg == L"--") {
      for (++i; i < argc; ++i, ++texts) {
        text = argv[i];
      }
    } else if (arg.size() > 1 && arg[0] == L'-' && (arg[1] < L'0' || arg[1] > L'9')) {
      return Usage("unknown option " + Narrow(arg));
    } else {
      text = arg;
      ++texts;
    }
  }
  if (texts != 1) {
    return Usage(texts == 0 ? "no TEXT given" : "give exactly one TEXT");
  }
  if (text.size() > kMaxUnits) {
    return Usage("TEXT is longer than 32767 UTF-16 units");
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  std::string error = "no tidehaul window found (class TfTidehaul, title \"Tidehaul Ver 1.4.9\")";
  for (;;) {
    const bool lastTry = std::chrono::steady_clock::now() >= deadline;
    if (HWND window = ::FindWindowW(kClassName, kTitle); window != nullptr) {
      const int sent = Send(window, text, error);
      if (sent >= 0) {
        if (sent == 0) {
          return 0;
        }
        std::fprintf(stderr, "tidehaul-send: %s\n", error.c_str());
        return 1;
      }
    }
    if (lastTry) {
      std::fprintf(stderr, "tidehaul-send: %s\n", error.c_str());
      return 1;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
}
