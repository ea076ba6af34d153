#pragma once
// pSubSetting: everything above the panes, placed as the stored layout has it,
// as a bordered panel window holding the standard controls. The fields are for
// display: the job reads the settings table, not them.
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/View.h"
#include "platform/win/WinApi.h"
#include "ui/win/Appearance.h"

namespace th {

class SettingsArea {
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

  // SpeedButton3 was clicked.
  void setOnStart(std::function<void()> f) { onStart_ = std::move(f); }

  HWND lbMsg = nullptr;
  HWND PBar_Connect = nullptr;
  HWND SpeedButton1 = nullptr;
  HWND SpeedButton3 = nullptr;
  HWND SpeedButton6 = nullptr;
  HWND SpeedButton8 = nullptr;

  // Sizes lbMsg to its text, as an auto-sized label does.
  void fitMsgLabel();

 private:
  enum class Icon { Tick, Test, Refresh, Folder };
  struct Origin {
    int x;
    int y;
  };

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND create(const wchar_t* windowClass, const char* caption, DWORD style, DWORD exStyle,
              Origin in, int x, int y, int width, int height, int id = 0);
  HWND label(Origin in, const char* caption, int x, int y);
  HWND edit(Origin in, Field f, const char* name, const char* text, int x, int y, int width,
            int height);
  HWND combo(Origin in, Field f, const char* name, const char* text, int x, int y, int width,
             const std::vector<std::string>& items);
  HWND checkBox(Origin in, Check c, const char* name, const char* caption, int x, int y, int width,
                int height, bool visible = true);
  Origin group(const char* name, const char* title, int x, int y, int width, int height);
  HWND button(Origin in, const char* name, Icon icon, bool flat, int x, int y, int width,
              int height, const char* caption = "");
  void name(const char* name, HWND window);
  void drawButton(const DRAWITEMSTRUCT& item) const;

  void buildTop();
  void buildPortSetting();
  void buildAddCommand();
  void buildSchedule();
  void buildSaveData();

  HWND panel_ = nullptr;
  HFONT font_;
  HFONT nameFont_;
  LayoutScale scale_;
  std::array<HWND, kFieldCount> fields_{};
  std::array<HWND, kCheckCount> checks_{};
  std::vector<std::pair<std::string, HWND>> names_;
  std::vector<HWND> groups_;
  struct IconButton {
    HWND window;
    Icon icon;
    bool flat;
  };
  std::vector<IconButton> iconButtons_;
  std::function<void()> onStart_;
};

}  // namespace th
