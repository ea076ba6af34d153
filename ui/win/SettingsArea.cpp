#include "ui/win/SettingsArea.h"

#include <algorithm>
#include <stdexcept>

#include "platform/win/WinText.h"
#include "ui/win/WinControls.h"

namespace th {

namespace {

constexpr wchar_t kPanelClass[] = L"TidehaulSettingsArea";
constexpr int kStartButtonId = 1003;
// Room below a drop-down box's field for its opened list.
constexpr int kDropListHeight = 200;

std::wstring Wide(const char* ascii) {
  return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii));
}

void RegisterPanelClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kPanelClass;
  if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("settings area: RegisterClassExW failed");
  }
}

}  // namespace

SettingsArea::SettingsArea(HWND parent, HFONT font, HFONT nameFont, const LayoutScale& scale)
    : font_(font), nameFont_(nameFont), scale_(scale) {
  RegisterPanelClass(&SettingsArea::Procedure);
  // A flat panel with a single-line border.
  panel_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                             WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS, scale_.px(8),
                             scale_.px(8), scale_.px(656), scale_.px(304), parent, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
  if (panel_ == nullptr) {
    throw std::runtime_error("settings area: CreateWindowExW failed");
  }
  ::SetWindowLongPtrW(panel_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  name("pSubSetting", panel_);
  buildTop();
  buildPortSetting();
  buildAddCommand();
  buildSchedule();
  buildSaveData();
  // Group boxes lie beneath the controls they frame; the panel paints their
  // inside (it does not clip its children for that).
  for (HWND g : groups_) {
    ::SetWindowPos(g, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

SettingsArea::~SettingsArea() {
  ::SetWindowLongPtrW(panel_, GWLP_USERDATA, 0);
  ::DestroyWindow(panel_);
}

HWND SettingsArea::element(const std::string& wanted) const {
  for (const auto& [n, window] : names_) {
    if (n == wanted) {
      return window;
    }
  }
  return nullptr;
}

void SettingsArea::name(const char* n, HWND window) {
  names_.emplace_back(n, window);
}

LRESULT CALLBACK SettingsArea::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* area = FromInteger<SettingsArea*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (area == nullptr) {
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return area->handle(message, wParam, lParam);
  } catch (...) {
    return 0;  // drawing failed: the control shows less
  }
}

LRESULT SettingsArea::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // SpeedButton6 ("Apply"), SpeedButton8 and SpeedButton1 do nothing.
      if (LOWORD(wParam) == kStartButtonId && HIWORD(wParam) == BN_CLICKED && onStart_) {
        onStart_();
      }
      return 0;
    case WM_DRAWITEM:
      drawButton(*FromInteger<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (FromInteger<HWND>(lParam) == field(Field::lbeSelectedDeviceName)) {
        HDC dc = FromInteger<HDC>(static_cast<LONG_PTR>(wParam));
        ::SetTextColor(dc, RGB(255, 0, 0));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(panel_, message, wParam, lParam);
}

HWND SettingsArea::create(const wchar_t* windowClass, const char* caption, DWORD style,
                          DWORD exStyle, Origin in, int x, int y, int width, int height, int id) {
  HWND window = ::CreateWindowExW(exStyle, windowClass, Wide(caption).c_str(),
                                  WS_CHILD | WS_CLIPSIBLINGS | style, scale_.px(in.x + x),
                                  scale_.px(in.y + y), scale_.px(width), scale_.px(height), panel_,
                                  FromInteger<HMENU>(id), ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    throw std::runtime_error("settings area: cannot create a control");
  }
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return window;
}

HWND SettingsArea::label(Origin in, const char* caption, int x, int y) {
  HWND l = create(WC_STATICW, caption, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, in, x, y, 0, 0);
  // Sized to its caption.
  HDC dc = ::GetDC(l);
  HGDIOBJ old = ::SelectObject(dc, font_);
  const std::wstring text = Wide(caption);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(l, dc);
  ::SetWindowPos(l, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return l;
}

void SettingsArea::fitMsgLabel() {
  const int length = ::GetWindowTextLengthW(lbMsg);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::GetWindowTextW(lbMsg, text.data(), length + 1);
  HDC dc = ::GetDC(lbMsg);
  HGDIOBJ old = ::SelectObject(dc, font_);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), length, &size);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(lbMsg, dc);
  ::SetWindowPos(lbMsg, nullptr, 0, 0, size.cx, metrics.tmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(panel_, nullptr, TRUE);
}

HWND SettingsArea::edit(Origin in, Field f, const char* n, const char* text, int x, int y,
                        int width, int height) {
  HWND e = create(WC_EDITW, text, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, in, x,
                  y, width, height);
  fields_.at(static_cast<std::size_t>(f)) = e;
  name(n, e);
  return e;
}

HWND SettingsArea::combo(Origin in, Field f, const char* n, const char* text, int x, int y,
                         int width, const std::vector<std::string>& items) {
  HWND c = create(WC_COMBOBOXW, "",
                  WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, in, x,
                  y, width, kDropListHeight);
  for (const auto& item : items) {
    const std::wstring wide(item.begin(), item.end());
    ::SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  ::SetWindowTextW(c, Wide(text).c_str());
  fields_.at(static_cast<std::size_t>(f)) = c;
  name(n, c);
  return c;
}

HWND SettingsArea::checkBox(Origin in, Check c, const char* n, const char* caption, int x, int y,
                            int width, int height, bool visible) {
  HWND b = create(WC_BUTTONW, caption,
                  (visible ? WS_VISIBLE : 0) | WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY, 0, in, x,
                  y, width, height);
  checks_.at(static_cast<std::size_t>(c)) = b;
  name(n, b);
  return b;
}

SettingsArea::Origin SettingsArea::group(const char* n, const char* title, int x, int y, int width,
                                         int height) {
  HWND g =
      create(WC_BUTTONW, title, WS_VISIBLE | BS_GROUPBOX, 0, Origin{0, 0}, x, y, width, height);
  groups_.push_back(g);
  name(n, g);
  // The controls of a group are the panel's, placed from the group's corner.
  return Origin{x, y};
}

HWND SettingsArea::button(Origin in, const char* n, Icon icon, bool flat, int x, int y, int width,
                          int height, const char* caption) {
  const int id = std::string(n) == "SpeedButton3" ? kStartButtonId : 0;
  HWND b = create(WC_BUTTONW, caption, WS_VISIBLE | BS_OWNERDRAW, 0, in, x, y, width, height, id);
  iconButtons_.push_back(IconButton{b, icon, flat});
  name(n, b);
  return b;
}

void SettingsArea::drawButton(const DRAWITEMSTRUCT& item) const {
  const IconButton* which = nullptr;
  for (const auto& b : iconButtons_) {
    if (b.window == item.hwndItem) {
      which = &b;
    }
  }
  if (which == nullptr) {
    return;
  }
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
  if (which->flat) {
    // A speed button shows its edge only while pressed.
    if (pushed) {
      ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    }
  } else {
    ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  }
  const int shift = pushed ? 1 : 0;
  const int length = ::GetWindowTextLengthW(item.hwndItem);
  std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
  ::GetWindowTextW(item.hwndItem, caption.data(), length + 1);
  caption.resize(static_cast<std::size_t>(length));

  const int height = r.bottom - r.top;
  const int width = r.right - r.left;
  int iconSize = which->icon == Icon::Test ? scale_.px(28) : scale_.px(16);
  iconSize = std::min({iconSize, height - 2, width - 2});
  SIZE textSize{};
  HGDIOBJ old = ::SelectObject(dc, font_);
  if (!caption.empty()) {
    ::GetTextExtentPoint32W(dc, caption.c_str(), length, &textSize);
  }
  const int gap = caption.empty() ? 0 : scale_.px(4);
  const int contentWidth = iconSize + gap + textSize.cx;
  const int left = r.left + (width - contentWidth) / 2 + shift;
  const int top = r.top + (height - iconSize) / 2 + shift;
  const RECT box{left, top, left + iconSize, top + iconSize};
  switch (which->icon) {
    case Icon::Tick:
      DrawTickIcon(dc, box);
      break;
    case Icon::Test:
      DrawTestIcon(dc, box);
      break;
    case Icon::Refresh:
      DrawRefreshIcon(dc, box);
      break;
    case Icon::Folder:
      DrawFolderIcon(dc, box);
      break;
  }
  if (!caption.empty()) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::TextOutW(dc, box.right + gap, r.top + (height - textSize.cy) / 2 + shift, caption.c_str(),
               length);
  }
  ::SelectObject(dc, old);
}

void SettingsArea::buildTop() {
  const Origin area{0, 0};
  lbMsg = create(WC_STATICW, "-1", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, area, 14, 9, 0, 0);
  name("lbMsg", lbMsg);
  fitMsgLabel();

  HWND deviceName = create(WC_STATICW, "", WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0,
                           area, 124, 10, 369, 23);
  ::SendMessageW(deviceName, WM_SETFONT, reinterpret_cast<WPARAM>(nameFont_), FALSE);
  fields_.at(static_cast<std::size_t>(Field::lbeSelectedDeviceName)) = deviceName;
  name("lbeSelectedDeviceName", deviceName);

  SpeedButton6 = button(area, "SpeedButton6", Icon::Tick, true, 578, 4, 70, 28, "Apply");

  label(area, "Communication Type", 14, 39);
  combo(area, Field::clbModemType, "clbModemType", "Direct", 14, 55, 114,
        {"Direct", "TWX-314", "TCP/IP", "B/T(QM515)", "H316k", "JX070", "N-Tarsel", "etc"});

  label(area, "Logger ID", 134, 39);
  std::vector<std::string> ids;
  for (int i = 0; i <= 15; ++i) {
    ids.push_back({static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)});
  }
  combo(area, Field::clbLogID, "clbLogID", "ID", 134, 55, 41, ids);

  SpeedButton3 = button(area, "SpeedButton3", Icon::Test, true, 202, 48, 32, 32);

  PBar_Connect = create(PROGRESS_CLASSW, "", WS_VISIBLE, 0, area, 240, 55, 393, 17);
  ::SendMessageW(PBar_Connect, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(PBar_Connect, PBM_SETPOS, 0, 0);
  name("PBar_Connect", PBar_Connect);
}

void SettingsArea::buildPortSetting() {
  const Origin g = group("gbPortSetting", "Port Setting", 11, 86, 185, 131);
  label(g, "Port No", 12, 25);
  combo(g, Field::cbbPortno, "cbbPortno", "COM1", 80, 22, 57, {});
  SpeedButton8 = button(g, "SpeedButton8", Icon::Refresh, true, 140, 19, 26, 27);
  label(g, "Baudrate", 12, 52);
  edit(g, Field::edtBaudrate, "edtBaudrate", "9600", 80, 49, 81, 19);
  label(g, "parity", 12, 79);
  edit(g, Field::edtParity, "edtParity", "None", 80, 76, 81, 19);
  label(g, "Stop Bits", 12, 106);
  edit(g, Field::edtStopbits, "edtStopbits", "1", 80, 103, 81, 19);
}

void SettingsArea::buildAddCommand() {
  const Origin g = group("gbAddCommand", "Add Command", 202, 86, 223, 131);
  label(g, "Phone No", 12, 23);
  edit(g, Field::edtModemNo, "edtModemNo", "", 86, 20, 121, 19);
  label(g, "Command", 12, 49);
  edit(g, Field::edtCommand1, "edtCommand1", "", 86, 46, 121, 19);
  label(g, "Call Cmd", 12, 75);
  edit(g, Field::edtCallCmd, "edtCallCmd", "", 86, 72, 121, 19);
  label(g, "Disconnect", 12, 102);
  edit(g, Field::edtDisconnect, "edtDisconnect", "", 86, 99, 121, 19);
}

void SettingsArea::buildSchedule() {
  const Origin g = group("gbTidehaul", "Tidehaul", 431, 86, 203, 131);
  checkBox(g, Check::ckbTidehaul, "ckbTidehaul", "Tidehaul", 13, 23, 148, 17);
  checkBox(g, Check::ckbSensorNoCheck, "ckbSensorNoCheck", "Data Channel Quantity > 60  ?", 13, 53,
           195, 17);
  label(g, "Interval", 16, 86);
  edit(g, Field::edtInterval, "edtInterval", "30", 84, 83, 49, 19);
  label(g, "Minutes", 139, 86);
  label(g, "Delay", 16, 111);
  edit(g, Field::edtDelay, "edtDelay", "5", 84, 108, 49, 19);
  label(g, "Minutes", 139, 111);
  // Kept for Init, never shown: the job always deletes and always appends.
  checkBox(g, Check::ckbDeleteData, "ckbDeleteData", "Delete Data After Download", 174, 58, 181, 17,
           false);
  checkBox(g, Check::ckbAppendData, "ckbAppendData", "Append Data to File", 174, 77, 163, 17,
           false);
}

void SettingsArea::buildSaveData() {
  const Origin g = group("gbSaveData", "Save Data", 11, 223, 628, 76);
  label(g, "Save Location", 12, 21);
  edit(g, Field::edtSaveFolder, "edtSaveFolder", "", 113, 18, 465, 19);
  // A plain button, not a flat one.
  SpeedButton1 = button(g, "SpeedButton1", Icon::Folder, false, 580, 16, 23, 22);
  label(g, "Save File Name #1", 12, 50);
  edit(g, Field::edtSaveFile1, "edtSaveFile1", "CR000", 123, 47, 120, 19);
  label(g, ".TXT", 247, 50);
  label(g, "Save File Name #2", 318, 50);
  edit(g, Field::edtSaveFile2, "edtSaveFile2", "CR001", 426, 47, 120, 19);
  label(g, ".TXT", 550, 50);
}

}  // namespace th
