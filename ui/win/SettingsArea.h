#pragma once
// pSubSetting: everything above the panes, made from the window's layout as a
// bordered panel window holding the standard controls. The fields are for
// display: the job reads the settings table, not them.
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/View.h"
#include "platform/win/WinApi.h"
#include "ui/WindowLayout.h"
#include "ui/win/Appearance.h"
#include "ui/win/MessageHandler.h"

namespace th {

class SettingsArea final : private MessageHandler {
 public:
  SettingsArea(HWND parent, HFONT font, HFONT nameFont, const LayoutScale& scale);
  ~SettingsArea();
  SettingsArea(const SettingsArea&) = delete;
  SettingsArea& operator=(const SettingsArea&) = delete;

  HWND handle() const { return panel_; }
  // The element that shows a field (a label, a drop-down box or a text field).
  HWND field(Field f) const { return fields_.at(static_cast<std::size_t>(f)); }
  HWND check(Check c) const { return checks_.at(static_cast<std::size_t>(c)); }
  // An element by its name ("lbMsg", "gbPortSetting", "SpeedButton3", ...);
  // null when there is none.
  HWND element(const std::string& name) const;

  // Runs `f` when SpeedButton3 is clicked.
  void setOnStart(std::function<void()> f) { onStart_ = std::move(f); }

  HWND lbMsg = nullptr;
  HWND PBar_Connect = nullptr;

  // Sizes lbMsg to its text, as an auto-sized label does.
  void fitMsgLabel();

  // The captions the panel paints ("Port No", "Minutes", ...), in layout
  // order, each with the rectangle its text covers in the panel.
  struct CaptionPlace {
    std::wstring text;
    RECT box;
  };
  std::vector<CaptionPlace> captions() const;

 private:
  struct Origin {
    int x;
    int y;
  };

  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND create(const wchar_t* windowClass, const char* caption, DWORD style, DWORD exStyle,
              Origin in, const LayoutBox& box, int id = 0);
  // Makes the element, placed from the corner `in` of the panel.
  void make(Origin in, const LayoutElement& e);
  HWND label(Origin in, const LayoutElement& e);
  HWND heading(Origin in, const LayoutElement& e);
  HWND edit(Origin in, const LayoutElement& e);
  HWND combo(Origin in, const LayoutElement& e);
  HWND checkBox(Origin in, const LayoutElement& e);
  HWND speedButton(Origin in, const LayoutElement& e);
  HWND progressBar(Origin in, const LayoutElement& e);
  Origin group(const LayoutGroup& g);
  // Sizes a label to its text, as an auto-sized label does.
  void fitLabel(HWND label);
  // The element of that name, which the layout must have.
  HWND named(const char* name) const;
  void name(const char* name, HWND window);
  void drawButton(const DRAWITEMSTRUCT& item) const;
  void paintCaptions(HDC dc) const;

  HWND panel_ = nullptr;
  HFONT font_;
  HFONT nameFont_;
  LayoutScale scale_;
  std::array<HWND, kFieldCount> fields_{};
  std::array<HWND, kCheckCount> checks_{};
  std::vector<std::pair<std::string, HWND>> names_;
  std::vector<HWND> groups_;
  std::vector<HWND> headings_;
  struct IconButton {
    HWND window;
    ButtonIcon icon;
    int iconSize;
    bool flat;
  };
  std::vector<IconButton> iconButtons_;
  struct Caption {
    std::wstring text;
    int x;
    int y;
    bool visible;
  };
  std::vector<Caption> captions_;
  std::function<void()> onStart_;
};

}  // namespace th
