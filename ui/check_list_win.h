// The check list control: a scrolling column of real check boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/handles_win.h"
#include "ui/check_list_layout.h"
#include "ui/check_list_properties.h"
#include "ui/mouse_over_win.h"

namespace sysinfo::ui {

// A scrolling column of real check boxes. Items are platform check-box windows created from a
// template item (element 0); the control positions, shows, hides, colours and sizes them and keeps
// a vertical scroll bar in step. Sizes are kept in twips and converted with the DPI of the window
// it sits in. The control is one tab stop: focus entering it goes to its focus row, and inside it
// the arrows, Home and End move that row and Space ticks it, as in a list box.
// Its designer properties (look, border, saved properties) are in check_list_properties_win.cpp.
class CheckList {
 public:
  static constexpr wchar_t kClassName[] = L"SysInfoCheckList";

  struct CreateArgs {
    HWND parent = nullptr;
    int id = 0;
    RECT place{};  // in twips, the border included
    PropertyBag saved;  // the look as the designer saved it
    FontSpec ambientFont;
  };
  static std::unique_ptr<CheckList> Create(const CreateArgs& args);
  CheckList(const CheckList&) = delete;
  CheckList& operator=(const CheckList&) = delete;

  HWND hwnd() const { return window_.get(); }

  // Events.
  std::function<void(int index, long top)> ItemTop;
  // Told the name of every persisted property that changes.
  std::function<void(std::string_view name)> PropertyChanged;

  void AddItem(const std::string& text, bool checked = false);
  void Clear();
  int ListCount() const { return itemCount_ >= 1 ? static_cast<int>(items_.size()) : 0; }
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  std::string List(int index) const;
  void SetList(int index, const std::string& text);
  bool ItemEditable(int index) const {
    return ItemAt(index) && IsWindowEnabled(items_[index].button);
  }
  void SetFocusedIndex(int index);
  int FocusedIndex() const { return focusedIndex_; }
  // Sizes, fonts and the scroll bar made again for a new DPI of the window (WM_DPICHANGED).
  void ScaleTo(int pixelsPerInch);

  // Designer properties.
  double ItemHeight() const { return properties_.itemHeight; }
  void SetItemHeight(double twips);
  int Alignment() const { return templateLook_.alignment; }
  void SetAlignment(int alignment);
  void SetEnabled(bool enabled);
  void SetFont(const FontSpec& font);
  OleColor ForeColor() const { return templateLook_.foreColor; }
  void SetForeColor(OleColor color);
  int AppearanceBorder() const { return properties_.appearanceBorder; }
  void SetAppearanceBorder(int appearance);
  int AppearanceCheck() const { return templateLook_.appearance; }
  void SetAppearanceCheck(int appearance);
  OleColor BackColor() const { return properties_.backColor; }
  void SetBackColor(OleColor color);
  int BorderStyle() const { return properties_.borderStyle; }
  void SetBorderStyle(int style);
  bool MultiSelect() const { return properties_.multiSelect; }
  void SetMultiSelect(bool multiSelect);
  // Saves the persisted properties (the two groups) into a bag.
  void WriteProperties(PropertyBag& bag, const FontSpec& ambientFont) const;

  // What the screen shows, for the window's own checks and for tests.
  int ScrollValue() const { return GetScrollPos(scrollBar_, SB_CTL); }
  bool ScrollBarVisible() const { return IsWindowVisible(scrollBar_) != FALSE; }
  int ScrollMaximum() const;
  HWND ItemWindow(int index) const { return ItemAt(index) ? items_[index].button : nullptr; }
  bool ItemVisible(int index) const {
    return ItemAt(index) && IsWindowVisible(items_[index].button);
  }

 private:
  // The template item as designed: 1905 by 255 twips, placed at 4 pixels.
  static constexpr double kTemplateWidth = 1905;
  static constexpr double kTemplateHeight = 255;
  struct Look {  // what the template item gives every item
    FontSpec font;
    int alignment = 1;
    int appearance = 1;
    OleColor foreColor = kButtonText;
    OleColor backColor = kButtonFace;
  };
  struct Item {
    HWND button = nullptr;
    Look look;
    OleColor shownFore = kButtonText;  // the colours drawn now (focus swaps them)
    OleColor shownBack = kButtonFace;
    double top = 0;  // twips
    double height = 0;
  };

  explicit CheckList(const CreateArgs& args);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  LRESULT ItemMessage(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnRowKey(WPARAM key);
  void FocusRow(int index);
  void ScrollIntoView(int index);
  void PlaceRows();

  HWND CreateItemWindow(int index);
  void SendTip(UINT message, HWND button, const std::wstring& text);
  void ApplyLook(Item& item, const Look& look);
  void CopyTemplate();
  void TemplateLookChanged();
  void ApplyBorder();
  void LayoutItem(int index);
  void UpdateScrollBar();
  void ScrollToValue();
  void SetScrollValue(int value);
  void OnScrollMessage(WORD request);
  void PlaceScrollBar();
  void OnItemClick(int index);
  void OnItemFocus(int index, bool focused);
  void OnWheel(int lines);
  void OnSurfaceMouseMove(int x, int y);
  void SetValue(int index, bool checked);
  void MoveItem(int index, double top, bool shown);
  void Changed(std::string_view name) const;
  // The item at `index`, nothing when there is none: an index from a caller never throws.
  const Item* ItemAt(int index) const;
  int IndexOf(HWND button) const;
  RECT ItemRect(int index) const;  // pixels, in the control's client area
  RECT Client() const;  // pixels
  double ClientWidth() const { return Client().right * twipsX_; }
  double ClientHeight() const { return Client().bottom * twipsY_; }
  int PxX(double twips) const;
  int PxY(double twips) const;
  HFONT FontHandle(const FontSpec& font);
  HBRUSH Brush(OleColor color);

  RECT place_{};  // twips, the border included
  int pixelsPerInch_ = 96;
  double twipsX_ = 15;
  double twipsY_ = 15;
  CheckListProperties properties_;
  Look templateLook_;
  OleColor ownForeColor_ = kWindowText;  // the control's own text colour, used when focus leaves
  std::vector<Item> items_;  // element 0 always exists
  int itemCount_ = 0;
  bool clickGuard_ = false;
  int focusedIndex_ = 0;
  int lastScrollValue_ = 0;
  std::map<std::pair<std::string, int>, UniqueFont> fonts_;  // (name, height and weight) -> font
  std::map<COLORREF, UniqueBrush> brushes_;
  HWND scrollBar_ = nullptr;  // a child: goes with the control
  UniqueWindow toolTip_;  // owned by the top-level window, so it may go before the control
  UniqueWindow window_;  // destroyed before everything above, which its messages use
  std::unique_ptr<cMouseOver> tracker_;  // last: detaches every window while they still exist
};

}  // namespace sysinfo::ui
