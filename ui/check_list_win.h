// CheckList: a scrolling column of real check boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/check_list_layout.h"
#include "ui/check_list_properties.h"
#include "ui/mouse_over_win.h"

namespace sysinfo::ui {

// A scrolling column of real check boxes. Items are platform check-box windows created from a
// template item (element 0); the control positions, shows, hides, colours and sizes them and keeps
// a vertical scroll bar in step. Sizes are kept in twips and converted with the screen's DPI.
class CheckList {
 public:
  static constexpr wchar_t kClassName[] = L"SysInfoCheckList";

  // Creates the control as a child of `parent`, `width` by `height` twips (its whole window, the
  // border included) at `left`, `top` twips, with the look read from `bag`.
  static std::unique_ptr<CheckList> Create(HWND parent, int id, double left, double top,
                                           double width, double height, const PropertyBag& bag,
                                           const FontSpec& ambientFont);
  ~CheckList();
  CheckList(const CheckList&) = delete;
  CheckList& operator=(const CheckList&) = delete;

  HWND hwnd() const { return window_; }

  // Events.
  std::function<void(int index)> ItemClicked;
  std::function<void(int index, int button, int shift, float x, float y)> MouseMove;
  std::function<void(int index, long top)> ItemTop;
  // Told the name of every persisted property that changes.
  std::function<void(std::string_view name)> PropertyChanged;

  void AddItem(const std::string& text, bool checked = false);
  void Clear();
  int ListCount() const;
  void RemoveItem(int index);
  double ItemHeight() const { return properties_.itemHeight; }
  void SetItemHeight(double twips);
  int Alignment() const { return templateLook_.alignment; }
  void SetAlignment(int alignment);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  FontSpec Font() const { return templateLook_.font; }
  void SetFont(const FontSpec& font);
  OleColor ForeColor() const { return templateLook_.foreColor; }
  void SetForeColor(OleColor color);
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int AppearanceBorder() const { return properties_.appearanceBorder; }
  void SetAppearanceBorder(int appearance);
  int AppearanceCheck() const { return templateLook_.appearance; }
  void SetAppearanceCheck(int appearance);
  OleColor BackColor() const { return properties_.backColor; }
  void SetBackColor(OleColor color);
  std::string List(int index) const;
  void SetList(int index, const std::string& text);
  int BorderStyle() const { return properties_.borderStyle; }
  void SetBorderStyle(int style);
  void SetTopItem(int index);
  bool MultiSelect() const { return properties_.multiSelect; }
  void SetMultiSelect(bool multiSelect);
  bool ItemEditable(int index) const;
  void SetItemEditable(int index, bool editable);
  int FocusedIndex();
  void SetFocusedIndex(int index);

  // Saves the persisted properties (the two groups) into a bag.
  void WriteProperties(PropertyBag& bag, const FontSpec& ambientFont) const;

  // What the screen shows, for the window's own checks and for tests.
  int ScrollValue() const;
  bool ScrollBarVisible() const;
  int ScrollMaximum() const;
  HWND ItemWindow(int index) const;
  double ItemTopTwips(int index) const;
  bool ItemVisible(int index) const;

 private:
  struct Look {  // what the template item gives every item
    FontSpec font;
    int alignment = 1;
    int appearance = 1;
    OleColor foreColor = kButtonText;
    OleColor backColor = kButtonFace;
    bool tabStop = true;
  };
  struct Item {
    HWND button = nullptr;
    Look look;
    OleColor shownFore = kButtonText;  // the colours drawn now (focus swaps them)
    OleColor shownBack = kButtonFace;
    double top = 0;  // twips
    double height = 0;
  };

  CheckList(HWND parent, const PropertyBag& bag, const FontSpec& ambientFont);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ItemProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND CreateItemWindow(int index);
  void ApplyLook(Item& item, const Look& look);
  void CopyTemplate();
  void TemplateLookChanged();
  void LayoutItem(int index);
  void UpdateScrollBar();
  void ScrollToValue();
  void SetScrollValue(int value);
  void PlaceScrollBar();
  void OnItemClick(int index);
  void OnItemFocus(int index, bool focused);
  void OnWheel(int lines);
  void OnSurfaceMouseMove(WPARAM keys, int x, int y);
  void SetValue(int index, bool checked);
  void MoveItem(int index, double top, bool shown);
  void Changed(std::string_view name) const;
  // The item at `index`, nothing when there is none: an index from a caller never throws.
  const Item* ItemAt(int index) const;
  int IndexOf(HWND button) const;
  double ClientWidth() const;
  double ClientHeight() const;
  int PxX(double twips) const;
  int PxY(double twips) const;
  HFONT FontHandle(const FontSpec& font);
  HBRUSH Brush(OleColor color);

  HWND window_ = nullptr;
  HWND scrollBar_ = nullptr;
  HWND toolTip_ = nullptr;
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
  std::unique_ptr<cMouseOver> tracker_;
  std::map<std::pair<std::string, int>, HFONT> fonts_;  // (name, height) -> font, owned
  std::map<COLORREF, HBRUSH> brushes_;                  // owned
};

}  // namespace sysinfo::ui
