// The check list's designer properties: alignment, colours, fonts, appearance, border, item
// height and the saved properties, and the fonts and brushes they are drawn with.
#include <cmath>

#include "base/unicode_win.h"
#include "ui/check_list_win.h"
#include "ui/window_win.h"

namespace sysinfo::ui {

HFONT CheckList::FontHandle(const FontSpec& font) {
  const int height = -static_cast<int>(std::lround(font.points * pixelsPerInch_ / 72.0));
  auto& handle = fonts_[std::make_pair(font.name, height * 10000 - font.weight)];
  if (!handle) {
    handle.reset(CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, Utf8ToWide(font.name).c_str()));
  }
  return handle.get();
}

HBRUSH CheckList::Brush(OleColor color) {
  const COLORREF rgb = ToColorRef(color);
  auto& brush = brushes_[rgb];
  if (!brush) brush.reset(CreateSolidBrush(rgb));
  return brush.get();
}

void CheckList::ApplyLook(Item& item, const Look& look) {
  item.look = look;
  item.shownFore = look.foreColor;
  item.shownBack = look.backColor;
  LONG_PTR style = GetWindowLongPtrW(item.button, GWL_STYLE);
  // No row is a tab stop: the control is one, and hands the focus to its focus row.
  style &= ~static_cast<LONG_PTR>(BS_LEFTTEXT | BS_FLAT | WS_TABSTOP);
  if (look.alignment == 1) style |= BS_LEFTTEXT;  // the box right of the caption
  if (look.appearance == 0) style |= BS_FLAT;
  SetWindowLongPtrW(item.button, GWL_STYLE, style);
  SendMessageW(item.button, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(look.font)), TRUE);
  InvalidateRect(item.button, nullptr, TRUE);
}

// The template item's look changed: keep it, show it on the template and copy it to every item.
void CheckList::TemplateLookChanged() {
  templateLook_ = items_[0].look;
  ApplyLook(items_[0], items_[0].look);
  CopyTemplate();
}

void CheckList::CopyTemplate() {
  // Look only: caption, value, enabled flag, size and position stay with each item.
  for (std::size_t i = 1; i < items_.size(); ++i) ApplyLook(items_[i], items_[0].look);
}

void CheckList::Changed(std::string_view name) const {
  if (PropertyChanged) PropertyChanged(name);
}

// A single border is three-dimensional (a client edge) or flat (a line).
void CheckList::ApplyBorder() {
  LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) &
                     ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE);
  LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER);
  if (properties_.borderStyle == 1 && properties_.appearanceBorder == 1)
    exStyle |= WS_EX_CLIENTEDGE;
  if (properties_.borderStyle == 1 && properties_.appearanceBorder != 1) style |= WS_BORDER;
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, exStyle);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, style);
  SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void CheckList::SetItemHeight(double twips) {
  properties_.itemHeight = twips;
  items_[0].height = twips;
  SetWindowPos(items_[0].button, nullptr, 0, 0, PxX(kTemplateWidth), PxY(twips),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Changed("ItemHeight");
}

void CheckList::SetAlignment(int alignment) {
  items_[0].look.alignment = alignment;
  TemplateLookChanged();
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) LayoutItem(i);
  Changed("Alignment");
}

void CheckList::SetEnabled(bool enabled) {
  EnableWindow(items_[0].button, enabled);
  CopyTemplate();
  Changed("Enabled");
}

void CheckList::SetFont(const FontSpec& font) {
  items_[0].look.font = font;
  TemplateLookChanged();
  Changed("Font");
}

void CheckList::SetForeColor(OleColor color) {
  items_[0].look.foreColor = color;
  TemplateLookChanged();
  Changed("ForeColor");
}

void CheckList::SetAppearanceBorder(int appearance) {
  properties_.appearanceBorder = appearance;
  ApplyBorder();
  items_[0].look.backColor = properties_.backColor;
  CopyTemplate();
  Changed("AppearanceBorder");
}

void CheckList::SetAppearanceCheck(int appearance) {
  items_[0].look.appearance = appearance;
  items_[0].look.backColor = properties_.backColor;
  TemplateLookChanged();
  Changed("AppearanceCheck");
}

void CheckList::SetBackColor(OleColor color) {
  properties_.backColor = color;
  items_[0].look.backColor = color;
  TemplateLookChanged();
  InvalidateRect(hwnd(), nullptr, TRUE);
  Changed("BackColor");
}

void CheckList::SetBorderStyle(int style) {
  properties_.borderStyle = style;
  SetAppearanceBorder(properties_.appearanceBorder);
  Changed("BorderStyle");
}

void CheckList::SetMultiSelect(bool multiSelect) {
  properties_.multiSelect = multiSelect;
  Changed("MultiSelect");
}

void CheckList::WriteProperties(PropertyBag& bag, const FontSpec& ambientFont) const {
  CheckListProperties p = properties_;
  p.alignment = items_[0].look.alignment;
  p.selected = Selected(0) ? 1 : 0;
  p.appearanceCheck = items_[0].look.appearance;
  p.foreColor = items_[0].look.foreColor;
  p.enabled = IsWindowEnabled(items_[0].button) != FALSE;
  p.font = items_[0].look.font;
  p.list = List(0);
  WriteCheckListProperties(bag, p, ambientFont);
}

}  // namespace sysinfo::ui
