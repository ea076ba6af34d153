// The native window under Wine: identity, the stored layout, initial
// contents, the View operations, the control message and the close request.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/win/WinText.h"
#include "ui/win/LinePane.h"
#include "ui/win/MainWindow.h"
#include "ui/win/ProgressDisplay.h"
#include "ui/win/SettingsArea.h"
#include "ui/win/StatusPanels.h"
#include "ui/win/WinControls.h"
// clang-format off
#include <uxtheme.h>
// clang-format on

namespace th {
namespace {

std::string Narrow(const std::wstring& wide) {
  return ToUtf8(win::TextFromWide(wide));
}

std::string TextOf(HWND window) {
  wchar_t buffer[512] = {};
  ::GetWindowTextW(window, buffer, 512);
  return Narrow(buffer);
}

std::string ClassOf(HWND window) {
  wchar_t buffer[128] = {};
  ::GetClassNameW(window, buffer, 128);
  return Narrow(buffer);
}

// The element's place in its parent's client area.
RECT PlaceOf(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Captions of the panel's children of one window class, in creation order.
std::vector<std::string> Captions(HWND parent, const char* windowClass) {
  std::vector<std::string> out;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == windowClass) {
      out.push_back(TextOf(child));
    }
  }
  return out;
}

class WinMainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
  }

  WinMainWindowTest() : window(panes, loop) {
    loop.setExceptionHandler([this](const std::exception_ptr& e) {
      try {
        std::rethrow_exception(e);
      } catch (const std::exception& ex) {
        handled.push_back(ex.what());
      }
    });
  }

  int px(int v) const { return window.layoutScale().px(v); }
  HWND element(const char* name) {
    HWND e = window.element(name);
    EXPECT_NE(e, nullptr) << name;
    return e;
  }
  void expectPlace(const char* name, int x, int y, int width, int height) {
    const RECT r = PlaceOf(element(name));
    EXPECT_EQ(r.left, px(x)) << name;
    EXPECT_EQ(r.top, px(y)) << name;
    EXPECT_EQ(r.right - r.left, px(width)) << name;
    if (height > 0) {
      EXPECT_EQ(r.bottom - r.top, px(height)) << name;
    }
  }

  WinEventLoop loop;
  Panes panes;
  MainWindow window;
  std::vector<std::string> handled;
};

TEST_F(WinMainWindowTest, ClassTitleAndClientArea) {
  // The parent program finds the window by exactly these.
  EXPECT_EQ(::FindWindowW(L"TfTidehaul", L"Tidehaul Ver 1.4.9"), window.handle());
  EXPECT_EQ(ClassOf(window.handle()), "TfTidehaul");
  RECT client{};
  ::GetClientRect(window.handle(), &client);
  EXPECT_EQ(client.right, px(672));
  EXPECT_EQ(client.bottom, px(462));
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window.handle(), GWL_STYLE));
  for (const DWORD bit : {WS_THICKFRAME, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX}) {
    EXPECT_NE(style & bit, 0U) << bit;
  }
  EXPECT_NE(::GetWindowLongPtrW(window.handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
}

TEST_F(WinMainWindowTest, ElementsSitWhereTheStoredLayoutPutsThem) {
  expectPlace("pSubSetting", 8, 8, 656, 304);
  expectPlace("lbeSelectedDeviceName", 124, 10, 369, 23);
  expectPlace("SpeedButton6", 578, 4, 70, 28);
  expectPlace("clbModemType", 14, 55, 114, 0);
  expectPlace("clbLogID", 134, 55, 41, 0);
  expectPlace("SpeedButton3", 202, 48, 32, 32);
  expectPlace("PBar_Connect", 240, 55, 393, 17);
  expectPlace("gbPortSetting", 11, 86, 185, 131);
  expectPlace("gbAddCommand", 202, 86, 223, 131);
  expectPlace("gbTidehaul", 431, 86, 203, 131);
  expectPlace("gbSaveData", 11, 223, 628, 76);
  // Inside a group: the group's corner plus the element's own place.
  expectPlace("cbbPortno", 11 + 80, 86 + 22, 57, 0);
  expectPlace("SpeedButton8", 11 + 140, 86 + 19, 26, 27);
  expectPlace("edtBaudrate", 11 + 80, 86 + 49, 81, 19);
  expectPlace("edtParity", 11 + 80, 86 + 76, 81, 19);
  expectPlace("edtStopbits", 11 + 80, 86 + 103, 81, 19);
  expectPlace("edtModemNo", 202 + 86, 86 + 20, 121, 19);
  expectPlace("edtCommand1", 202 + 86, 86 + 46, 121, 19);
  expectPlace("edtCallCmd", 202 + 86, 86 + 72, 121, 19);
  expectPlace("edtDisconnect", 202 + 86, 86 + 99, 121, 19);
  expectPlace("ckbTidehaul", 431 + 13, 86 + 23, 148, 17);
  expectPlace("ckbSensorNoCheck", 431 + 13, 86 + 53, 195, 17);
  expectPlace("edtInterval", 431 + 84, 86 + 83, 49, 19);
  expectPlace("edtDelay", 431 + 84, 86 + 108, 49, 19);
  expectPlace("ckbDeleteData", 431 + 174, 86 + 58, 181, 17);
  expectPlace("ckbAppendData", 431 + 174, 86 + 77, 163, 17);
  expectPlace("edtSaveFolder", 11 + 113, 223 + 18, 465, 19);
  expectPlace("SpeedButton1", 11 + 580, 223 + 16, 23, 22);
  expectPlace("edtSaveFile1", 11 + 123, 223 + 47, 120, 19);
  expectPlace("edtSaveFile2", 11 + 426, 223 + 47, 120, 19);
  expectPlace("mmoDown1", 8, 318, 321, 129);
  expectPlace("mmoDown2", 335, 318, 329, 129);
  expectPlace("mmoRxTemp", 800, 318, 240, 148);
  expectPlace("StatusBar1", 0, 443, 672, 19);
  const RECT label = PlaceOf(element("lbMsg"));
  EXPECT_EQ(label.left, px(14));
  EXPECT_EQ(label.top, px(9));
}

TEST_F(WinMainWindowTest, InitialContentsBeforeAnyMessage) {
  EXPECT_EQ(window.pendingDevice(), u"-1");
  EXPECT_EQ(TextOf(element("lbMsg")), "-1");
  const std::pair<Field, const char16_t*> fields[] = {{Field::lbeSelectedDeviceName, u""},
                                                      {Field::clbModemType, u"Direct"},
                                                      {Field::clbLogID, u"ID"},
                                                      {Field::cbbPortno, u"COM1"},
                                                      {Field::edtBaudrate, u"9600"},
                                                      {Field::edtParity, u"None"},
                                                      {Field::edtStopbits, u"1"},
                                                      {Field::edtModemNo, u""},
                                                      {Field::edtCommand1, u""},
                                                      {Field::edtCallCmd, u""},
                                                      {Field::edtDisconnect, u""},
                                                      {Field::edtInterval, u"30"},
                                                      {Field::edtDelay, u"5"},
                                                      {Field::edtSaveFolder, u""},
                                                      {Field::edtSaveFile1, u"CR000"},
                                                      {Field::edtSaveFile2, u"CR001"}};
  for (const auto& [field, text] : fields) {
    EXPECT_EQ(window.fieldText(field), text) << static_cast<int>(field);
  }
  for (const Check c :
       {Check::ckbTidehaul, Check::ckbSensorNoCheck, Check::ckbDeleteData, Check::ckbAppendData}) {
    EXPECT_FALSE(window.isChecked(c));
  }
  EXPECT_FALSE(::IsWindowVisible(element("ckbDeleteData")));
  EXPECT_FALSE(::IsWindowVisible(element("ckbAppendData")));
  EXPECT_EQ(TextOf(element("ckbTidehaul")), "Tidehaul");
  EXPECT_EQ(TextOf(element("ckbSensorNoCheck")), "Data Channel Quantity > 60  ?");
  EXPECT_EQ(TextOf(element("ckbDeleteData")), "Delete Data After Download");
  EXPECT_EQ(TextOf(element("ckbAppendData")), "Append Data to File");
  EXPECT_EQ(TextOf(element("SpeedButton6")), "Apply");
  EXPECT_EQ(TextOf(element("SpeedButton3")), "");

  HWND type = element("clbModemType");
  std::vector<std::string> items;
  for (LRESULT i = 0; i < ::SendMessageW(type, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t item[64] = {};
    ::SendMessageW(type, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
    items.push_back(Narrow(item));
  }
  EXPECT_EQ(items, (std::vector<std::string>{"Direct", "TWX-314", "TCP/IP", "B/T(QM515)", "H316k",
                                             "JX070", "N-Tarsel", "etc"}));
  EXPECT_EQ(::SendMessageW(element("clbLogID"), CB_GETCOUNT, 0, 0), 16);
  EXPECT_EQ(::SendMessageW(element("cbbPortno"), CB_GETCOUNT, 0, 0), 0);

  HWND panel = element("pSubSetting");
  EXPECT_EQ(Captions(panel, "Button").size(), 12U);  // 4 groups, 4 check boxes, 4 buttons
  // The captions are the panel's own painting, each where the layout puts it.
  std::vector<std::string> labels;
  const auto captions = window.settingsArea().captions();
  labels.reserve(captions.size());
  for (const auto& c : captions) {
    labels.push_back(Narrow(c.text));
  }
  for (const char* caption :
       {"Communication Type", "Logger ID", "Port No", "Baudrate", "parity", "Stop Bits", "Phone No",
        "Command", "Call Cmd", "Disconnect", "Interval", "Minutes", "Delay", "Save Location",
        "Save File Name #1", ".TXT", "Save File Name #2"}) {
    EXPECT_NE(std::find(labels.begin(), labels.end(), caption), labels.end()) << caption;
  }
  EXPECT_EQ(std::count(labels.begin(), labels.end(), "Minutes"), 2);
  EXPECT_EQ(std::count(labels.begin(), labels.end(), ".TXT"), 2);
  EXPECT_EQ(labels.size(), 19U);
  const auto portNo = std::find_if(captions.begin(), captions.end(),
                                   [](const auto& c) { return c.text == L"Port No"; });
  ASSERT_NE(portNo, captions.end());
  const RECT portSetting = PlaceOf(element("gbPortSetting"));
  EXPECT_EQ(portNo->box.left, portSetting.left + px(12));
  EXPECT_EQ(portNo->box.top, portSetting.top + px(25));
  // Each caption's text is drawn inside its rectangle.
  RECT client{};
  ::GetClientRect(panel, &client);
  HDC screen = ::GetDC(panel);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP picture = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ oldPicture = ::SelectObject(memory, picture);
  ::FillRect(memory, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  ::SendMessageW(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  const COLORREF ink = ::GetSysColor(COLOR_BTNTEXT);
  for (const auto& c : captions) {
    int inked = 0;
    for (LONG y = c.box.top; y < c.box.bottom; ++y) {
      for (LONG x = c.box.left; x < c.box.right; ++x) {
        inked += ::GetPixel(memory, x, y) == ink ? 1 : 0;
      }
    }
    EXPECT_GT(inked, 0) << Narrow(c.text);
  }
  ::SelectObject(memory, oldPicture);
  ::DeleteObject(picture);
  ::DeleteDC(memory);
  ::ReleaseDC(panel, screen);
  for (const char* group : {"gbPortSetting", "gbAddCommand", "gbTidehaul", "gbSaveData"}) {
    EXPECT_NE(TextOf(element(group)), "") << group;
  }
  EXPECT_EQ(TextOf(element("gbPortSetting")), "Port Setting");
  EXPECT_EQ(TextOf(element("gbAddCommand")), "Add Command");
  EXPECT_EQ(TextOf(element("gbTidehaul")), "Tidehaul");
  EXPECT_EQ(TextOf(element("gbSaveData")), "Save Data");

  HWND bar = element("PBar_Connect");
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
}

TEST_F(WinMainWindowTest, FieldsChecksAndLabelShowWhatTheLogicWrites) {
  window.setFieldText(Field::lbeSelectedDeviceName, u"Station \u00E9 4");
  window.setFieldText(Field::clbModemType, u"H316k");
  window.setFieldText(Field::edtSaveFolder, u"C:\\Data");
  EXPECT_EQ(window.fieldText(Field::lbeSelectedDeviceName), u"Station \u00E9 4");
  EXPECT_EQ(window.fieldText(Field::clbModemType), u"H316k");
  EXPECT_EQ(window.fieldText(Field::edtSaveFolder), u"C:\\Data");
  window.setChecked(Check::ckbSensorNoCheck, true);
  EXPECT_TRUE(window.isChecked(Check::ckbSensorNoCheck));
  window.setPendingDevice(u"1234");
  EXPECT_EQ(window.pendingDevice(), u"1234");
  EXPECT_EQ(TextOf(element("lbMsg")), "1234");
  // Sized to its text.
  const RECT shortLabel = PlaceOf(element("lbMsg"));
  window.setPendingDevice(u"");
  EXPECT_EQ(window.pendingDevice(), u"");
  EXPECT_LT(PlaceOf(element("lbMsg")).right, shortLabel.right);
}

TEST_F(WinMainWindowTest, StatusBarHasFourPartsAndShowsTheLatestTexts) {
  HWND bar = element("StatusBar1");
  int edges[8] = {};
  ASSERT_EQ(::SendMessageW(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 4);
  EXPECT_EQ(edges[0], px(100));
  EXPECT_EQ(edges[1], px(250));
  EXPECT_EQ(edges[2], px(450));
  EXPECT_EQ(edges[3], px(600));
  for (int i = 0; i < kPanelCount; ++i) {
    EXPECT_EQ(window.panelText(i), u"");
  }
  // A burst of texts: the logic reads the latest at once, the bar shows it
  // by the next flush.
  for (int i = 0; i < 1000; ++i) {
    window.setPanelText(3, u"line " + IntToText(i));
  }
  window.setPanelText(0, u"Waiting-3[Sec]");
  EXPECT_EQ(window.panelText(3), u"line 999");
  window.showPendingTexts();
  EXPECT_EQ(window.statusBar().shownText(3), u"line 999");
  EXPECT_EQ(window.statusBar().shownText(0), u"Waiting-3[Sec]");
  window.setPanelText(2, u"#T01 R");
  const DWORD start = ::GetTickCount();
  while (window.statusBar().shownText(2) != u"#T01 R" && ::GetTickCount() - start < 2000) {
    loop.waitForMessage(10);
    loop.processPendingMessages();
  }
  EXPECT_EQ(window.statusBar().shownText(2), u"#T01 R");
}

TEST_F(WinMainWindowTest, ProgressBarRangeAndPosition) {
  HWND bar = element("PBar_Connect");
  EXPECT_THROW(window.setProgressMax(-1), EInvalidOperation);
  EXPECT_EQ(window.progressMax(), 100);
  window.setProgressMax(8248);
  window.setProgressPosition(4000);
  window.showPendingTexts();
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 8248);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 4000);
  // A read sets the position ten times a second: the logic reads each value
  // at once, the bar shows the last one within its refresh time.
  for (int i = 1; i <= 100; ++i) {
    window.setProgressPosition(4000 + i);
  }
  EXPECT_EQ(window.progressPosition(), 4100);
  const DWORD start = ::GetTickCount();
  while (::SendMessageW(bar, PBM_GETPOS, 0, 0) != 4100 && ::GetTickCount() - start < 2000) {
    loop.waitForMessage(10);
    loop.processPendingMessages();
  }
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 4100);
  EXPECT_LE(::GetTickCount() - start, ProgressDisplay::kShowMs + 1000);
  window.setProgressMax(1000);  // the position stays inside the range
  EXPECT_EQ(window.progressPosition(), 1000);
  window.setProgressPosition(5000);
  EXPECT_EQ(window.progressPosition(), 1000);
  window.setProgressMax(0);
  EXPECT_EQ(window.progressPosition(), 0);
}

TEST_F(WinMainWindowTest, ProgressAndStatusBarsKeepTheLookWindowsGivesThem) {
  // Classic, as on Windows without a common-controls 6 manifest; Wine's
  // default theme would otherwise draw them, at great cost per repaint.
  EXPECT_EQ(::GetWindowTheme(element("PBar_Connect")), nullptr);
  EXPECT_EQ(::GetWindowTheme(element("StatusBar1")), nullptr);
}

TEST_F(WinMainWindowTest, BusyPointerOverTheWindow) {
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  HWND w = window.handle();
  EXPECT_EQ(::SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), overClient), FALSE);
  window.setBusy(true);
  EXPECT_TRUE(window.busyPointer());
  EXPECT_EQ(::SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), overClient), TRUE);
  EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, IDC_WAIT));
  window.setBusy(false);
  EXPECT_EQ(::SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), overClient), FALSE);
}

TEST_F(WinMainWindowTest, ControlMessageIsTrustedForNothing) {
  std::vector<ControlMessage> got;
  std::vector<std::string> texts;
  window.setOnCopyData([&](const ControlMessage& d) {
    got.push_back(d);
    texts.emplace_back(reinterpret_cast<const char*>(d.data), d.data != nullptr ? d.size : 0);
    if (d.tag == 13) {
      throw std::runtime_error("handler failed");
    }
  });
  const auto send = [&](LPARAM lParam) {
    return ::SendMessageW(window.handle(), WM_COPYDATA, 0, lParam);
  };
  wchar_t three[] = L"3";
  COPYDATASTRUCT good{~static_cast<ULONG_PTR>(0), sizeof three, three};
  COPYDATASTRUCT nullWithSize{0, 100, nullptr};
  COPYDATASTRUCT failing{13, sizeof three, three};
  EXPECT_EQ(send(reinterpret_cast<LPARAM>(&good)), 0);
  EXPECT_EQ(send(0), 0);  // no structure at all
  EXPECT_EQ(send(reinterpret_cast<LPARAM>(&nullWithSize)), 0);
  EXPECT_EQ(send(reinterpret_cast<LPARAM>(&failing)), 0);
  ASSERT_EQ(got.size(), 4U);
  EXPECT_EQ(got[0].tag, ~std::uint64_t{0});
  EXPECT_EQ(got[0].size, 4U);
  EXPECT_EQ(texts[0], std::string("3\0\0\0", 4));
  EXPECT_EQ(got[1].size, 0U);
  EXPECT_EQ(got[1].data, nullptr);
  EXPECT_EQ(got[2].size, 0U);  // a size without data is no data
  EXPECT_EQ(got[2].data, nullptr);
  // The failure reached the loop's handler, not the sender.
  EXPECT_EQ(handled, std::vector<std::string>{"handler failed"});
}

TEST_F(WinMainWindowTest, CloseRequestHidesTheWindowAndStartButtonStarts) {
  int closes = 0;
  int starts = 0;
  window.setOnCloseRequest([&] { ++closes; });
  window.setOnStart([&] {
    ++starts;
    throw std::runtime_error("job failed");
  });
  window.show();
  EXPECT_TRUE(::IsWindowVisible(window.handle()));
  ::SendMessageW(element("SpeedButton3"), BM_CLICK, 0, 0);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(handled, std::vector<std::string>{"job failed"});
  // The other speed buttons do nothing.
  for (const char* name : {"SpeedButton1", "SpeedButton6", "SpeedButton8"}) {
    ::SendMessageW(element(name), BM_CLICK, 0, 0);
  }
  EXPECT_EQ(starts, 1);
  ::SendMessageW(window.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(::IsWindowVisible(window.handle()));
  EXPECT_TRUE(::IsWindow(window.handle()));
}

TEST_F(WinMainWindowTest, WideningPast800PixelsBringsTheReceiveLogIntoView) {
  HWND rx = element("mmoRxTemp");
  RECT client{};
  ::GetClientRect(window.handle(), &client);
  EXPECT_GE(PlaceOf(rx).left, client.right);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window.handle(), GWL_STYLE));
  RECT outer{0, 0, px(1060), px(500)};
  ::AdjustWindowRectEx(&outer, style, FALSE, WS_EX_APPWINDOW);
  ::SetWindowPos(window.handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  ::GetClientRect(window.handle(), &client);
  EXPECT_LE(PlaceOf(rx).right, client.right);
  // The status bar follows the bottom edge.
  EXPECT_EQ(PlaceOf(element("StatusBar1")).bottom, client.bottom);
}

}  // namespace
}  // namespace th
