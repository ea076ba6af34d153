#include "ui/win/SettingsArea.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/win/WinText.h"
#include "ui/win/ClassicLook.h"
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

DWORD Shown(const LayoutElement& e) {
  return e.visible ? WS_VISIBLE : 0;
}

void RegisterPanelClass() {
  WNDCLASSEXW windowClass{};
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kPanelClass;
  RegisterHandledClass(windowClass, "settings area");
}

}  // namespace

SettingsArea::SettingsArea(HWND parent, HFONT font, HFONT nameFont, const LayoutScale& scale)
    : font_(font), nameFont_(nameFont), scale_(scale) {
  RegisterPanelClass();
  const SettingsLayout& layout = SettingsAreaLayout();
  // A flat panel with a single-line border.
  panel_ = ::CreateWindowExW(
      WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS,
      scale_.px(layout.box.x), scale_.px(layout.box.y), scale_.px(layout.box.width),
      scale_.px(layout.box.height), parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (panel_ == nullptr) {
    throw std::runtime_error("settings area: CreateWindowExW failed");
  }
  attach(panel_);
  name(layout.name, panel_);
  for (const LayoutElement& e : layout.elements) {
    make(Origin{0, 0}, e);
  }
  for (const LayoutGroup& g : layout.groups) {
    const Origin in = group(g);
    for (const LayoutElement& e : g.elements) {
      make(in, e);
    }
  }
  lbMsg = named(kMsgLabelName);
  PBar_Connect = named(kProgressBarName);
  // Group boxes lie beneath the controls they frame; the panel paints their
  // inside (it does not clip its children for that).
  for (HWND g : groups_) {
    ::SetWindowPos(g, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

SettingsArea::~SettingsArea() {
  detach(panel_);
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

HWND SettingsArea::named(const char* wanted) const {
  HWND window = element(wanted);
  if (window == nullptr) {
    throw std::logic_error(std::string("settings area: no element ") + wanted);
  }
  return window;
}

void SettingsArea::name(const char* n, HWND window) {
  if (*n != '\0') {
    names_.emplace_back(n, window);
  }
}

LRESULT SettingsArea::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = ::BeginPaint(panel_, &ps);
      paintCaptions(dc);
      ::EndPaint(panel_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      paintCaptions(FromInteger<HDC>(static_cast<LONG_PTR>(wParam)));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (std::find(headings_.begin(), headings_.end(), FromInteger<HWND>(lParam)) !=
          headings_.end()) {
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
                          DWORD exStyle, Origin in, const LayoutBox& box, int id) {
  HWND window = ::CreateWindowExW(
      exStyle, windowClass, Wide(caption).c_str(), WS_CHILD | WS_CLIPSIBLINGS | style,
      scale_.px(in.x + box.x), scale_.px(in.y + box.y), scale_.px(box.width), scale_.px(box.height),
      panel_, FromInteger<HMENU>(id), ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    throw std::runtime_error("settings area: cannot create a control");
  }
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return window;
}

void SettingsArea::make(Origin in, const LayoutElement& e) {
  if (e.kind == ElementKind::Label && *e.name == '\0' && !e.field) {
    // A caption nobody changes or finds by name needs no window of its own:
    // the panel paints it, which saves the start a window per caption.
    captions_.push_back(
        Caption{Wide(e.text), scale_.px(in.x + e.box.x), scale_.px(in.y + e.box.y), e.visible});
    return;
  }
  HWND window = nullptr;
  switch (e.kind) {
    case ElementKind::Label:
      window = label(in, e);
      break;
    case ElementKind::Heading:
      window = heading(in, e);
      break;
    case ElementKind::Edit:
      window = edit(in, e);
      break;
    case ElementKind::Combo:
      window = combo(in, e);
      break;
    case ElementKind::CheckBox:
      window = checkBox(in, e);
      break;
    case ElementKind::SpeedButton:
      window = speedButton(in, e);
      break;
    case ElementKind::ProgressBar:
      window = progressBar(in, e);
      break;
  }
  if (e.field) {
    fields_.at(static_cast<std::size_t>(*e.field)) = window;
  }
  name(e.name, window);
}

HWND SettingsArea::label(Origin in, const LayoutElement& e) {
  HWND l = create(WC_STATICW, e.text, Shown(e) | SS_LEFT | SS_NOPREFIX, 0, in,
                  LayoutBox{e.box.x, e.box.y, 0, 0});
  fitLabel(l);
  return l;
}

void SettingsArea::paintCaptions(HDC dc) const {
  HGDIOBJ old = ::SelectObject(dc, font_);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  for (const Caption& c : captions_) {
    if (c.visible) {
      ::TextOutW(dc, c.x, c.y, c.text.c_str(), static_cast<int>(c.text.size()));
    }
  }
  ::SelectObject(dc, old);
}

std::vector<SettingsArea::CaptionPlace> SettingsArea::captions() const {
  std::vector<CaptionPlace> out;
  HDC dc = ::GetDC(panel_);
  HGDIOBJ old = ::SelectObject(dc, font_);
  for (const Caption& c : captions_) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, c.text.c_str(), static_cast<int>(c.text.size()), &size);
    out.push_back(CaptionPlace{c.text, RECT{c.x, c.y, c.x + size.cx, c.y + size.cy}});
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(panel_, dc);
  return out;
}

void SettingsArea::fitLabel(HWND l) {
  const int length = ::GetWindowTextLengthW(l);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::GetWindowTextW(l, text.data(), length + 1);
  HDC dc = ::GetDC(l);
  HGDIOBJ old = ::SelectObject(dc, font_);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), length, &size);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(l, dc);
  ::SetWindowPos(l, nullptr, 0, 0, size.cx, metrics.tmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SettingsArea::fitMsgLabel() {
  fitLabel(lbMsg);
  ::InvalidateRect(panel_, nullptr, TRUE);
}

HWND SettingsArea::heading(Origin in, const LayoutElement& e) {
  HWND h =
      create(WC_STATICW, e.text, Shown(e) | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0, in, e.box);
  ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(nameFont_), FALSE);
  headings_.push_back(h);
  return h;
}

HWND SettingsArea::edit(Origin in, const LayoutElement& e) {
  return create(WC_EDITW, e.text, Shown(e) | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, in,
                e.box);
}

HWND SettingsArea::combo(Origin in, const LayoutElement& e) {
  // The window's height takes in the opened list below the field.
  HWND c =
      create(WC_COMBOBOXW, "", Shown(e) | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
             0, in, LayoutBox{e.box.x, e.box.y, e.box.width, kDropListHeight});
  for (const char* item : e.items) {
    ::SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  }
  ::SetWindowTextW(c, Wide(e.text).c_str());
  return c;
}

HWND SettingsArea::checkBox(Origin in, const LayoutElement& e) {
  HWND b =
      create(WC_BUTTONW, e.text, Shown(e) | WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY, 0, in, e.box);
  checks_.at(static_cast<std::size_t>(*e.check)) = b;
  return b;
}

HWND SettingsArea::speedButton(Origin in, const LayoutElement& e) {
  const int id = std::strcmp(e.name, kStartButtonName) == 0 ? kStartButtonId : 0;
  HWND b = create(WC_BUTTONW, e.text, Shown(e) | BS_OWNERDRAW, 0, in, e.box, id);
  iconButtons_.push_back(IconButton{b, e.icon, e.iconSize, e.flat});
  return b;
}

HWND SettingsArea::progressBar(Origin in, const LayoutElement& e) {
  HWND bar = create(PROGRESS_CLASSW, e.text, Shown(e), 0, in, e.box);
  KeepClassicLook(bar);
  ::SendMessageW(bar, PBM_SETRANGE32, 0, kProgressBarInitialMax);
  ::SendMessageW(bar, PBM_SETPOS, 0, 0);
  return bar;
}

SettingsArea::Origin SettingsArea::group(const LayoutGroup& g) {
  HWND box = create(WC_BUTTONW, g.title, WS_VISIBLE | BS_GROUPBOX, 0, Origin{0, 0}, g.box);
  groups_.push_back(box);
  name(g.name, box);
  // The controls of a group are the panel's, placed from the group's corner.
  return Origin{g.box.x, g.box.y};
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
  int iconSize = scale_.px(which->iconSize);
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
  DrawButtonIcon(dc, which->icon, box);
  if (!caption.empty()) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::TextOutW(dc, box.right + gap, r.top + (height - textSize.cy) / 2 + shift, caption.c_str(),
               length);
  }
  ::SelectObject(dc, old);
}

}  // namespace th
