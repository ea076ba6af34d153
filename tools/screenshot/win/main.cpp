// tidehaul-screenshot.exe OUT.png [WIDTHxHEIGHT]
// Writes a PNG of the native main window's client area after Init of a sample
// record. The window is shown on the desktop (under Wine, the
// X display) and copied from the screen, so nothing may cover it.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PngWriter.h"
#include "SampleRecord.h"
#include "app/SettingsFile.h"
#include "platform/win/WinEventLoop.h"
#include "platform/win/WinPlatformServices.h"
#include "ui/win/MainWindow.h"
#include "ui/win/WinControls.h"

namespace {

bool ParseSize(const char* text, int& width, int& height) {
  unsigned w = 0;
  unsigned h = 0;
  char rest = 0;
  if (std::sscanf(text, "%5ux%5u%c", &w, &h, &rest) != 2 || w < 10 || h < 10) {
    return false;
  }
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

// The window's client area as the screen shows it, as rows of RGB. Without
// the frame: under Wine the X display's window manager, if any, draws it.
bool Capture(HWND window, int& width, int& height, std::vector<std::uint8_t>& rgb) {
  RECT r{};
  ::GetClientRect(window, &r);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  width = r.right - r.left;
  height = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ok = ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    rgb.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
      rgb[i * 3] = pixels[i * 4 + 2];
      rgb[i * 3 + 1] = pixels[i * 4 + 1];
      rgb[i * 3 + 2] = pixels[i * 4];
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

int Run(const char* out, const char* size) {
  ::SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  th::WinEventLoop loop;
  th::Panes panes;
  th::MainWindow window(panes, loop);
  HWND handle = window.handle();
  if (size != nullptr) {
    int width = 0;
    int height = 0;
    if (!ParseSize(size, width, height)) {
      std::fprintf(stderr, "tidehaul-screenshot: size must look like 900x500\n");
      return 2;
    }
    RECT outer{0, 0, width, height};
    ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrW(handle, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(handle, GWL_EXSTYLE)));
    ::SetWindowPos(handle, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER);
  }
  ::SetWindowPos(handle, HWND_TOPMOST, 20, 20, 0, 0, SWP_NOSIZE);
  window.show();

  th::WinPlatformServices sys;
  th::SettingsFile settings(sys);
  th::FillSampleRecord(settings.record(th::kSampleDevice));
  window.setPendingDevice(th::IntToText(th::kSampleDevice));
  window.showStage(u"Waiting-2[Sec]");
  window.showDevice(settings.display(th::kSampleDevice));
  window.showPendingTexts();
  // No text cursor in the picture.
  ::SetFocus(handle);
  // Let the display catch up with every repaint before the copy.
  for (int i = 0; i < 5; ++i) {
    loop.processPendingMessages();
    ::RedrawWindow(handle, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    ::GdiFlush();
    ::Sleep(100);
  }

  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  if (!Capture(handle, width, height, rgb)) {
    std::fprintf(stderr, "tidehaul-screenshot: cannot copy the window from the screen\n");
    return 1;
  }
  if (!th::WritePng(out, width, height, rgb)) {
    std::fprintf(stderr, "tidehaul-screenshot: cannot write %s\n", out);
    return 1;
  }
  std::printf("%s\n", out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: tidehaul-screenshot OUT.png [WIDTHxHEIGHT]\n");
    return 2;
  }
  try {
    return Run(argv[1], argc == 3 ? argv[2] : nullptr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tidehaul-screenshot: %s\n", e.what());
    return 1;
  }
}
