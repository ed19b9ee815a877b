// CheckList: the scrolling column of check boxes as Win32 windows.
#include "ui/check_list_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "base/unicode_win.h"
#include "base/pending_messages.h"

namespace sysinfo::ui {
namespace {

constexpr UINT_PTR kScrollTimer = 1;   // Timer1: coalesces bursts of scroll notifications
constexpr UINT kScrollTimerMs = 10;
constexpr UINT_PTR kItemSubclass = 1;
// The template item as designed: left 60, top 60, 1905 by 255 twips; placed at 4 pixels.
constexpr double kTemplateWidth = 1905;
constexpr double kTemplateHeight = 255;
constexpr unsigned kEnterMs = 60;
constexpr unsigned kHoverMs = 1000;

COLORREF ToColorRef(OleColor color) {
  if (color & kSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

int MouseButtons(WPARAM keys) {
  return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
         ((keys & MK_MBUTTON) ? 4 : 0);
}

int ShiftState(WPARAM keys) {
  return ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
         ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

bool RegisterCheckListClass(WNDPROC windowProc) {
  static const bool registered = [windowProc] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = CheckList::kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  return registered;
}

}  // namespace

std::unique_ptr<CheckList> CheckList::Create(HWND parent, int id, double left, double top,
                                             double width, double height, const PropertyBag& bag,
                                             const FontSpec& ambientFont) {
  if (!RegisterCheckListClass(WindowProc)) return nullptr;
  std::unique_ptr<CheckList> list(new CheckList(parent, bag, ambientFont));
  const CheckListProperties& p = list->properties_;
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (p.borderStyle == 1) {
    if (p.appearanceBorder == 1) {
      exStyle |= WS_EX_CLIENTEDGE;
    } else {
      style |= WS_BORDER;
    }
  }
  list->window_ = CreateWindowExW(exStyle, kClassName, L"", style, list->PxX(left),
                                  list->PxY(top), list->PxX(width), list->PxY(height), parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
  if (!list->window_) return nullptr;
  SetWindowLongPtrW(list->window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(list.get()));

  list->scrollBar_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | SBS_VERT, 0, 0, 0, 0,
                                     list->window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  list->toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   list->window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  list->PlaceScrollBar();

  // Initialise: the template item at 4 pixels, then the tracker on the control itself.
  Item element0;
  element0.look = list->templateLook_;
  element0.top = 4 * list->twipsY_;
  element0.height = kTemplateHeight;
  list->items_.push_back(element0);
  list->items_[0].button = list->CreateItemWindow(0);
  list->ApplyLook(list->items_[0], list->templateLook_);
  list->SetValue(0, p.selected != 0);
  EnableWindow(list->items_[0].button, p.enabled);
  SetWindowTextW(list->items_[0].button, Utf8ToWide(p.list).c_str());
  list->tracker_ = std::make_unique<cMouseOver>();
  list->tracker_->Events().MouseScroll = [raw = list.get()](WindowId, std::intptr_t, int lines) {
    raw->OnWheel(lines);
  };
  list->tracker_->AttachObject(list->window_, kEnterMs, kHoverMs);
  return list;
}

CheckList::CheckList(HWND parent, const PropertyBag& bag, const FontSpec& ambientFont)
    : properties_(ReadCheckListProperties(bag, ambientFont)) {
  const HDC screen = GetDC(parent);
  twipsX_ = TwipsPerPixel(GetDeviceCaps(screen, LOGPIXELSX));
  twipsY_ = TwipsPerPixel(GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(parent, screen);
  templateLook_.font = properties_.font;
  templateLook_.alignment = properties_.alignment;
  templateLook_.appearance = properties_.appearanceCheck;
  templateLook_.foreColor = properties_.foreColor;
  templateLook_.backColor = properties_.backColor;
}

CheckList::~CheckList() {
  tracker_.reset();  // detaches every window while they still exist
  // The tip window is owned by the top-level window, not by the list: it would outlive the list.
  if (toolTip_) DestroyWindow(toolTip_);
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (auto& [color, brush] : brushes_) DeleteObject(brush);
}

int CheckList::PxX(double twips) const { return static_cast<int>(std::lround(twips / twipsX_)); }
int CheckList::PxY(double twips) const { return static_cast<int>(std::lround(twips / twipsY_)); }

double CheckList::ClientWidth() const {
  RECT client{};
  GetClientRect(window_, &client);
  return client.right * twipsX_;
}

double CheckList::ClientHeight() const {
  RECT client{};
  GetClientRect(window_, &client);
  return client.bottom * twipsY_;
}

HFONT CheckList::FontHandle(const FontSpec& font) {
  const HDC screen = GetDC(window_);
  const int height = -static_cast<int>(std::lround(font.points * GetDeviceCaps(screen, LOGPIXELSY) / 72.0));
  ReleaseDC(window_, screen);
  const auto key = std::make_pair(font.name, height * 10000 - font.weight);
  if (auto found = fonts_.find(key); found != fonts_.end()) return found->second;
  HFONT handle = CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, Utf8ToWide(font.name).c_str());
  fonts_.emplace(key, handle);
  return handle;
}

HBRUSH CheckList::Brush(OleColor color) {
  const COLORREF rgb = ToColorRef(color);
  if (auto found = brushes_.find(rgb); found != brushes_.end()) return found->second;
  HBRUSH brush = CreateSolidBrush(rgb);
  brushes_.emplace(rgb, brush);
  return brush;
}

HWND CheckList::CreateItemWindow(int index) {
  // Items start hidden; the layout shows the ones that fall inside the control.
  HWND button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_AUTOCHECKBOX | BS_NOTIFY, 0, 0,
                                PxX(kTemplateWidth), PxY(items_[0].height), window_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + index)),
                                GetModuleHandleW(nullptr), nullptr);
  SetWindowSubclass(button, ItemProc, kItemSubclass, reinterpret_cast<DWORD_PTR>(this));
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  return button;
}

void CheckList::ApplyLook(Item& item, const Look& look) {
  item.look = look;
  item.shownFore = look.foreColor;
  item.shownBack = look.backColor;
  LONG_PTR style = GetWindowLongPtrW(item.button, GWL_STYLE);
  style &= ~static_cast<LONG_PTR>(BS_LEFTTEXT | BS_FLAT | WS_TABSTOP);
  if (look.alignment == 1) style |= BS_LEFTTEXT;  // the box right of the caption
  if (look.appearance == 0) style |= BS_FLAT;
  if (look.tabStop) style |= WS_TABSTOP;
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

const CheckList::Item* CheckList::ItemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  return &items_[static_cast<std::size_t>(index)];
}

int CheckList::IndexOf(HWND button) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].button == button) return static_cast<int>(i);
  }
  return -1;
}

void CheckList::MoveItem(int index, double top, bool shown) {
  Item& item = items_[index];
  item.top = top;
  RECT place{};
  GetWindowRect(item.button, &place);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
  SetWindowPos(item.button, nullptr, place.left, PxY(top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(item.button, shown ? SW_SHOWNA : SW_HIDE);
}

void CheckList::SetValue(int index, bool checked) {
  const bool was = SendMessageW(items_[index].button, BM_GETCHECK, 0, 0) == BST_CHECKED;
  SendMessageW(items_[index].button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  // A check box that changes its value reports a click, whoever changed it.
  if (was != checked) OnItemClick(index);
}

void CheckList::AddItem(const std::string& text, bool checked) {
  int index = 0;
  if (itemCount_ != 0) {
    index = static_cast<int>(items_.size());
    Item item;
    item.height = items_[0].height;
    items_.push_back(item);
    items_[index].button = CreateItemWindow(index);
    ApplyLook(items_[index], items_[0].look);
    EnableWindow(items_[index].button, IsWindowEnabled(items_[0].button));
  }
  SetValue(index, checked);
  tracker_->AttachObject(items_[index].button, kEnterMs, kHoverMs);
  const double top = items_[0].top + index * items_[0].height;
  Item& item = items_[index];
  item.look.backColor = properties_.backColor;
  item.shownBack = properties_.backColor;
  SetWindowPos(item.button, nullptr, PxX(4 * twipsX_), PxY(top), PxX(kTemplateWidth),
               PxY(item.height), SWP_NOZORDER | SWP_NOACTIVATE);
  item.top = top;
  ShowWindow(item.button, IsItemShown(top, ClientHeight()) ? SW_SHOWNA : SW_HIDE);
  const std::wstring caption = Utf8ToWide(text);
  SetWindowTextW(item.button, caption.c_str());
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(item.button);
  tool.lpszText = const_cast<wchar_t*>(caption.c_str());
  SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  LayoutItem(index);
  UpdateScrollBar();
  ++itemCount_;
}

void CheckList::LayoutItem(int index) {
  Item& item = items_[index];
  const std::wstring caption = [&] {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item.button)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item.button, text.data(), static_cast<int>(text.size()))));
    return text;
  }();
  const HDC dc = GetDC(window_);
  const HGDIOBJ old = SelectObject(dc, FontHandle(items_[0].look.font));
  SIZE extent{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);

  const double width = ItemWidth(extent.cx * twipsX_, items_[0].look.font.weight, ClientWidth());
  const double scrollBar = ScrollBarVisible() ? GetSystemMetrics(SM_CXHTHUMB) * twipsX_ : 0;
  const double left = ItemLeft(item.look.alignment, width, ClientWidth(), scrollBar, twipsX_);
  SetWindowPos(item.button, nullptr, PxX(left), PxY(item.top), PxX(width), PxY(item.height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void CheckList::UpdateScrollBar() {
  const int elements = static_cast<int>(items_.size());
  const ScrollBarState bar = ScrollBarFor(elements, ClientHeight(), items_[0].height);
  if (bar.visible) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    info.nMin = bar.minimum;
    info.nMax = bar.maximum;
    SetScrollInfo(scrollBar_, SB_CTL, &info, TRUE);
    ShowWindow(scrollBar_, SW_SHOWNA);
  } else {
    SetTopItem(0);
    ShowWindow(scrollBar_, SW_HIDE);
  }
  ProcessPendingMessages();
  for (int i = 0; i < elements; ++i) LayoutItem(i);
  ProcessPendingMessages();
}

int CheckList::ScrollValue() const { return GetScrollPos(scrollBar_, SB_CTL); }
bool CheckList::ScrollBarVisible() const { return IsWindowVisible(scrollBar_) != FALSE; }

int CheckList::ScrollMaximum() const {
  SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
  GetScrollInfo(scrollBar_, SB_CTL, &info);
  return info.nMax;
}

void CheckList::SetScrollValue(int value) {
  // A value outside the bar's range is refused, as the bar itself would refuse it.
  if (value < 0 || value > ScrollMaximum()) return;
  if (value == ScrollValue()) return;
  SetScrollPos(scrollBar_, SB_CTL, value, TRUE);
  SetTimer(window_, kScrollTimer, kScrollTimerMs, nullptr);
}

void CheckList::ScrollToValue() {
  const int value = ScrollValue();
  if (value != lastScrollValue_) {
    const double height = ClientHeight();
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      const double top = ui::ItemTop(i, value, items_[0].height, items_[0].top);
      if (IsItemShown(top, height)) {
        MoveItem(i, top, true);
      } else {
        ShowWindow(items_[i].button, SW_HIDE);
      }
    }
    lastScrollValue_ = value;
    ProcessPendingMessages();
  }
  KillTimer(window_, kScrollTimer);
}

void CheckList::PlaceScrollBar() {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = GetSystemMetrics(SM_CXHTHUMB);
  MoveWindow(scrollBar_, client.right - width, 0, width, client.bottom, TRUE);
}

void CheckList::OnWheel(int lines) {
  if (!ScrollBarVisible()) return;
  SetScrollValue(WheelScrollValue(ScrollValue(), lines));
  ProcessPendingMessages();
}

void CheckList::OnItemClick(int index) {
  if (!properties_.multiSelect && !clickGuard_) {
    clickGuard_ = true;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      if (i != index) SetValue(i, false);
    }
    clickGuard_ = false;
  }
  if (clickGuard_) return;
  if (ItemClicked) ItemClicked(index);
}

void CheckList::OnItemFocus(int index, bool focused) {
  Item& item = items_[index];
  item.shownBack = focused ? kHighlight : properties_.backColor;
  item.shownFore = focused ? kHighlightText : ownForeColor_;
  InvalidateRect(item.button, nullptr, TRUE);
}

void CheckList::OnSurfaceMouseMove(WPARAM keys, int x, int y) {
  const double xt = x * twipsX_;
  const double yt = y * twipsY_;
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    RECT place{};
    GetWindowRect(items_[i].button, &place);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
    if (xt >= place.left * twipsX_ && xt <= place.right * twipsX_ &&
        yt >= place.top * twipsY_ && yt <= place.bottom * twipsY_) {
      if (MouseMove) MouseMove(i, MouseButtons(keys), ShiftState(keys), static_cast<float>(xt), static_cast<float>(yt));
      if (ItemTop) ItemTop(i, std::lround(items_[i].top));
      return;
    }
  }
}

void CheckList::Clear() {
  tracker_->DettachObject(items_[0].button);
  while (items_.size() > 1) {
    tracker_->DettachObject(items_.back().button);
    DestroyWindow(items_.back().button);
    items_.pop_back();
  }
  SetWindowTextW(items_[0].button, L"");
  ShowWindow(items_[0].button, SW_HIDE);
  itemCount_ = 0;
  UpdateScrollBar();
}

int CheckList::ListCount() const {
  return itemCount_ >= 1 ? static_cast<int>(items_.size()) : 0;
}

void CheckList::RemoveItem(int index) {
  const int elements = static_cast<int>(items_.size());
  // An index without an item removes nothing (and must not lower the count, or the next AddItem
  // would overwrite the first item).
  if (index < 0 || index >= elements || itemCount_ == 0) return;
  if (itemCount_ >= 2) {
    // Captions and ticks move up; enabled flags and tool tips stay with their places.
    for (int i = index; i <= elements - 2; ++i) {
      SetList(i, List(i + 1));
      SendMessageW(items_[i].button, BM_SETCHECK, SendMessageW(items_[i + 1].button, BM_GETCHECK, 0, 0), 0);
    }
    tracker_->DettachObject(items_.back().button);
    DestroyWindow(items_.back().button);
    items_.pop_back();
    --itemCount_;
  } else {
    Clear();
    return;
  }
  UpdateScrollBar();
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

bool CheckList::Enabled() const { return IsWindowEnabled(items_[0].button) != FALSE; }

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

bool CheckList::Selected(int index) const {
  const Item* item = ItemAt(index);
  return item && SendMessageW(item->button, BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void CheckList::SetSelected(int index, bool selected) {
  if (!ItemAt(index)) return;
  SetValue(index, selected);
  Changed("Selected");
}

void CheckList::SetAppearanceBorder(int appearance) {
  properties_.appearanceBorder = appearance;
  LONG_PTR exStyle = GetWindowLongPtrW(window_, GWL_EXSTYLE);
  LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
  exStyle &= ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE);
  style &= ~static_cast<LONG_PTR>(WS_BORDER);
  if (properties_.borderStyle == 1) {
    if (appearance == 1) {
      exStyle |= WS_EX_CLIENTEDGE;
    } else {
      style |= WS_BORDER;
    }
  }
  SetWindowLongPtrW(window_, GWL_EXSTYLE, exStyle);
  SetWindowLongPtrW(window_, GWL_STYLE, style);
  SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
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
  InvalidateRect(window_, nullptr, TRUE);
  Changed("BackColor");
}

std::string CheckList::List(int index) const {
  const Item* item = ItemAt(index);
  if (!item) return {};
  HWND button = item->button;
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(button)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(button, text.data(), static_cast<int>(text.size()))));
  return WideToUtf8(text);
}

void CheckList::SetList(int index, const std::string& text) {
  const Item* item = ItemAt(index);
  if (!item) return;
  SetWindowTextW(item->button, Utf8ToWide(text).c_str());
  Changed("List");
}

void CheckList::SetBorderStyle(int style) {
  properties_.borderStyle = style;
  SetAppearanceBorder(properties_.appearanceBorder);
  Changed("BorderStyle");
}

void CheckList::SetTopItem(int index) {
  if (index >= 0 && index < static_cast<int>(items_.size())) SetScrollValue(index);
}

void CheckList::SetMultiSelect(bool multiSelect) {
  properties_.multiSelect = multiSelect;
  Changed("MultiSelect");
}

bool CheckList::ItemEditable(int index) const {
  const Item* item = ItemAt(index);
  return item && IsWindowEnabled(item->button) != FALSE;
}

void CheckList::SetItemEditable(int index, bool editable) {
  if (const Item* item = ItemAt(index)) EnableWindow(item->button, editable);
}

int CheckList::FocusedIndex() {
  if (focusedIndex_ >= 0 && focusedIndex_ < static_cast<int>(items_.size()) && ItemTop) {
    ItemTop(focusedIndex_, std::lround(items_[focusedIndex_].top));
  }
  return focusedIndex_;
}

void CheckList::SetFocusedIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  SetFocus(items_[index].button);
  if (ItemTop) ItemTop(index, std::lround(items_[index].top));
  focusedIndex_ = index;
}

void CheckList::WriteProperties(PropertyBag& bag, const FontSpec& ambientFont) const {
  CheckListProperties p = properties_;
  p.alignment = items_[0].look.alignment;
  p.selected = Selected(0) ? 1 : 0;
  p.appearanceCheck = items_[0].look.appearance;
  p.foreColor = items_[0].look.foreColor;
  p.enabled = Enabled();
  p.font = items_[0].look.font;
  p.list = List(0);
  WriteCheckListProperties(bag, p, ambientFont);
}

HWND CheckList::ItemWindow(int index) const {
  const Item* item = ItemAt(index);
  return item ? item->button : nullptr;
}

double CheckList::ItemTopTwips(int index) const {
  const Item* item = ItemAt(index);
  return item ? item->top : 0;
}

bool CheckList::ItemVisible(int index) const {
  const Item* item = ItemAt(index);
  return item && IsWindowVisible(item->button) != FALSE;
}

LRESULT CALLBACK CheckList::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CheckList*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK CheckList::ItemProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self) {
  auto* list = reinterpret_cast<CheckList*>(self);
  if (message == WM_MOUSEMOVE && list->MouseMove) {
    const int index = list->IndexOf(window);
    if (index >= 0) {
      list->MouseMove(index, MouseButtons(wParam), ShiftState(wParam),
                      static_cast<float>(GET_X_LPARAM(lParam) * list->twipsX_),
                      static_cast<float>(GET_Y_LPARAM(lParam) * list->twipsY_));
    }
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, ItemProc, kItemSubclass);
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CheckList::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = IndexOf(reinterpret_cast<HWND>(lParam));
      if (index < 0) break;
      switch (HIWORD(wParam)) {
        case BN_CLICKED: OnItemClick(index); return 0;
        case BN_SETFOCUS: OnItemFocus(index, true); return 0;
        case BN_KILLFOCUS: OnItemFocus(index, false); return 0;
        default: break;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const int index = IndexOf(reinterpret_cast<HWND>(lParam));
      if (index < 0) break;
      const HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, ToColorRef(items_[index].shownFore));
      SetBkColor(dc, ToColorRef(items_[index].shownBack));
      return reinterpret_cast<LRESULT>(Brush(items_[index].shownBack));
    }
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(window_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, Brush(properties_.backColor));
      return 1;
    }
    case WM_VSCROLL: {
      SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
      GetScrollInfo(scrollBar_, SB_CTL, &info);
      int value = info.nPos;
      switch (LOWORD(wParam)) {
        case SB_LINEUP: value -= 1; break;
        case SB_LINEDOWN: value += 1; break;
        case SB_PAGEUP: value -= 5; break;
        case SB_PAGEDOWN: value += 5; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: value = info.nTrackPos; break;
        case SB_TOP: value = info.nMin; break;
        case SB_BOTTOM: value = info.nMax; break;
        default: return 0;
      }
      value = std::max(info.nMin, std::min(info.nMax, value));
      SetScrollValue(value);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kScrollTimer) {
        ScrollToValue();
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      OnSurfaceMouseMove(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEWHEEL:
      return 0;  // the tracker turns it into scrolling; it goes no further up
    case WM_SIZE:
      PlaceScrollBar();
      return 0;
    case WM_SHOWWINDOW:
      if (wParam) items_[0].look.backColor = properties_.backColor;
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace sysinfo::ui
