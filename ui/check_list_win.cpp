// The check list control: creation, items, scrolling and the messages of the control and its items.
#include "ui/check_list_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "base/unicode_win.h"
#include "ui/window_win.h"

namespace sysinfo::ui {
namespace {

constexpr UINT_PTR kScrollTimer = 1;  // Timer1: coalesces bursts of scroll notifications
constexpr UINT kScrollTimerMs = 10;
constexpr unsigned kEnterMs = 60;
constexpr unsigned kHoverMs = 1000;

}  // namespace

std::unique_ptr<CheckList> CheckList::Create(const CreateArgs& args) {
  if (!RegisterWindowClass(
          {kClassName, OwnedWindowProc<&CheckList::window_, &CheckList::HandleMessage>})) {
    return nullptr;
  }
  std::unique_ptr<CheckList> list(new CheckList(args));
  const RECT& place = args.place;
  // Not a control parent: the dialog manager stops at the control, which hands the focus to its
  // focus row, so Tab leaves the list in one step.
  CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP,
                  list->PxX(place.left), list->PxY(place.top), list->PxX(place.right - place.left),
                  list->PxY(place.bottom - place.top), args.parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), GetModuleHandleW(nullptr),
                  list.get());
  if (!list->window_) return nullptr;
  list->ApplyBorder();
  list->scrollBar_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | SBS_VERT, 0, 0, 0, 0,
                                     list->hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  list->toolTip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, list->hwnd(), nullptr,
                                       GetModuleHandleW(nullptr), nullptr));
  ReleaseWhenDestroyed(list->toolTip_);
  list->PlaceScrollBar();

  // Initialise: the template item, then the tracker on the control itself.
  const CheckListProperties& p = list->properties_;
  list->items_[0].button = list->CreateItemWindow(0);
  list->ApplyLook(list->items_[0], list->templateLook_);
  list->SetValue(0, p.selected != 0);
  EnableWindow(list->items_[0].button, p.enabled);
  SetWindowTextUtf8(list->items_[0].button, p.list);
  list->tracker_ = std::make_unique<cMouseOver>();
  list->tracker_->Events().MouseScroll = [raw = list.get()](WindowId, std::intptr_t, int lines) {
    raw->OnWheel(lines);
  };
  list->tracker_->AttachObject(list->hwnd(), kEnterMs, kHoverMs);
  return list;
}

CheckList::CheckList(const CreateArgs& args)
    : properties_(ReadCheckListProperties(args.saved, args.ambientFont)), place_(args.place) {
  pixelsPerInch_ = WindowDpi(args.parent);
  twipsX_ = TwipsPerPixel(pixelsPerInch_);
  twipsY_ = TwipsPerPixel(pixelsPerInch_);
  templateLook_ = Look{properties_.font, properties_.alignment, properties_.appearanceCheck,
                       properties_.foreColor, properties_.backColor};
  Item element0;  // its window comes once the control exists; placed at 4 pixels
  element0.look = templateLook_;
  element0.top = 4 * twipsY_;
  element0.height = kTemplateHeight;
  items_.push_back(element0);
}

int CheckList::PxX(double twips) const { return static_cast<int>(std::lround(twips / twipsX_)); }
int CheckList::PxY(double twips) const { return static_cast<int>(std::lround(twips / twipsY_)); }

RECT CheckList::Client() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client;
}

HWND CheckList::CreateItemWindow(int index) {
  // Items start hidden; the layout shows the ones that fall inside the control.
  HWND button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_AUTOCHECKBOX | BS_NOTIFY, 0, 0,
                                PxX(kTemplateWidth), PxY(items_[0].height), hwnd(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + index)),
                                GetModuleHandleW(nullptr), nullptr);
  SendTip(TTM_ADDTOOLW, button, L"");
  SubclassControl<&CheckList::ItemMessage>(button, this);
  return button;
}

void CheckList::SendTip(UINT message, HWND button, const std::wstring& text) {
  TTTOOLINFOW tool{sizeof tool, TTF_IDISHWND | TTF_SUBCLASS, hwnd(),
                   reinterpret_cast<UINT_PTR>(button)};
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(toolTip_.get(), message, 0, reinterpret_cast<LPARAM>(&tool));
}

const CheckList::Item* CheckList::ItemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  return &items_[static_cast<std::size_t>(index)];
}

int CheckList::IndexOf(HWND button) const {
  for (std::size_t i = 0; button && i < items_.size(); ++i) {
    if (items_[i].button == button) return static_cast<int>(i);
  }
  return -1;
}

RECT CheckList::ItemRect(int index) const {
  RECT place{};
  GetWindowRect(items_[index].button, &place);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

void CheckList::MoveItem(int index, double top, bool shown) {
  Item& item = items_[index];
  item.top = top;
  SetWindowPos(item.button, nullptr, ItemRect(index).left, PxY(top), 0, 0,
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
  SendTip(TTM_UPDATETIPTEXTW, item.button, caption);
  LayoutItem(index);
  UpdateScrollBar();
  ++itemCount_;
}

void CheckList::LayoutItem(int index) {
  Item& item = items_[index];
  const std::wstring caption = Utf8ToWide(List(index));
  SIZE extent{};
  {
    const WindowDc dc(hwnd());
    const SelectedObject font(dc.get(), FontHandle(items_[0].look.font));
    GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
  }
  const double width = ItemWidth(extent.cx * twipsX_, items_[0].look.font.weight, ClientWidth());
  const double scrollBar = ScrollBarVisible()
                               ? SystemMetricForDpi(SM_CXHTHUMB, pixelsPerInch_) * twipsX_
                               : 0;
  const double left = ItemLeft(item.look.alignment, width, ClientWidth(), scrollBar, twipsX_);
  SetWindowPos(item.button, nullptr, PxX(left), PxY(item.top), PxX(width), PxY(item.height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void CheckList::UpdateScrollBar() {
  const int elements = static_cast<int>(items_.size());
  const ScrollBarState bar = ScrollBarFor(elements, ClientHeight(), items_[0].height);
  if (bar.visible) {
    SCROLLINFO info{sizeof info, SIF_RANGE, bar.minimum, bar.maximum};
    SetScrollInfo(scrollBar_, SB_CTL, &info, TRUE);
    ShowWindow(scrollBar_, SW_SHOWNA);
  } else {
    SetScrollValue(0);
    ShowWindow(scrollBar_, SW_HIDE);
  }
  for (int i = 0; i < elements; ++i) LayoutItem(i);
}

int CheckList::ScrollMaximum() const {
  SCROLLINFO info{sizeof info, SIF_RANGE};
  GetScrollInfo(scrollBar_, SB_CTL, &info);
  return info.nMax;
}

void CheckList::SetScrollValue(int value) {
  // A value outside the bar's range is refused, as the bar itself would refuse it.
  if (value < 0 || value > ScrollMaximum()) return;
  if (value == ScrollValue()) return;
  SetScrollPos(scrollBar_, SB_CTL, value, TRUE);
  SetTimer(hwnd(), kScrollTimer, kScrollTimerMs, nullptr);
}

void CheckList::OnScrollMessage(WORD request) {
  SCROLLINFO info{sizeof info, SIF_ALL};
  GetScrollInfo(scrollBar_, SB_CTL, &info);
  int value = info.nPos;
  switch (request) {
    case SB_LINEUP: value -= 1; break;
    case SB_LINEDOWN: value += 1; break;
    case SB_PAGEUP: value -= 5; break;
    case SB_PAGEDOWN: value += 5; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: value = info.nTrackPos; break;
    case SB_TOP: value = info.nMin; break;
    case SB_BOTTOM: value = info.nMax; break;
    default: return;
  }
  SetScrollValue(std::clamp(value, info.nMin, info.nMax));
}

void CheckList::ScrollToValue() {
  if (ScrollValue() != lastScrollValue_) PlaceRows();
  KillTimer(hwnd(), kScrollTimer);
}

void CheckList::PlaceRows() {
  const int value = ScrollValue();
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
}

void CheckList::PlaceScrollBar() {
  const RECT client = Client();
  const int width = SystemMetricForDpi(SM_CXHTHUMB, pixelsPerInch_);
  MoveWindow(scrollBar_, client.right - width, 0, width, client.bottom, TRUE);
}

void CheckList::OnWheel(int lines) {
  if (!ScrollBarVisible()) return;
  SetScrollValue(WheelScrollValue(ScrollValue(), lines));
}

void CheckList::OnItemClick(int index) {
  if (!properties_.multiSelect && !clickGuard_) {
    clickGuard_ = true;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      if (i != index) SetValue(i, false);
    }
    clickGuard_ = false;
  }
}

void CheckList::OnItemFocus(int index, bool focused) {
  Item& item = items_[index];
  if (focused) focusedIndex_ = index;
  item.shownBack = focused ? kHighlight : properties_.backColor;
  item.shownFore = focused ? kHighlightText : ownForeColor_;
  // A themed check box draws its caption in the theme's colours, whatever WM_CTLCOLORSTATIC
  // answers: the focused item goes without the theme so that the focus colours show.
  SetTheme(item.button, focused ? L"" : nullptr, focused ? L"" : nullptr);
  InvalidateRect(item.button, nullptr, TRUE);
}

void CheckList::OnSurfaceMouseMove(int x, int y) {
  const POINT point{x, y};
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    RECT place = ItemRect(i);
    ++place.right;  // the right and bottom edges count as inside
    ++place.bottom;
    if (!PtInRect(&place, point)) continue;
    if (ItemTop) ItemTop(i, std::lround(items_[i].top));
    return;
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

bool CheckList::Selected(int index) const {
  const Item* item = ItemAt(index);
  return item && SendMessageW(item->button, BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void CheckList::SetSelected(int index, bool selected) {
  if (!ItemAt(index)) return;
  SetValue(index, selected);
  Changed("Selected");
}

std::string CheckList::List(int index) const {
  const Item* item = ItemAt(index);
  return item ? WindowTextUtf8(item->button) : std::string();
}

void CheckList::SetList(int index, const std::string& text) {
  const Item* item = ItemAt(index);
  if (!item) return;
  SetWindowTextUtf8(item->button, text);
  Changed("List");
}

void CheckList::SetFocusedIndex(int index) {
  if (!ItemAt(index)) return;
  SetFocus(items_[index].button);
  if (ItemTop) ItemTop(index, std::lround(items_[index].top));
  focusedIndex_ = index;
}

// The rows' keys. The arrows are asked for, or the dialog manager would take them to walk the
// window's other controls; Space is the check box's own.
LRESULT CheckList::ItemMessage(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE)
    return DefaultSubclassProc(button, message, wParam, lParam) | DLGC_WANTARROWS;
  if (message == WM_KEYDOWN) {
    if (!IsWindowVisible(button)) ScrollIntoView(IndexOf(button));  // what a key does shows
    if (OnRowKey(wParam)) return 0;
  }
  return DefaultSubclassProc(button, message, wParam, lParam);
}

// Moves the focus row for a key of the list; false for any other key.
bool CheckList::OnRowKey(WPARAM key) {
  const int last = ListCount() - 1;
  int row = -1;
  switch (key) {
    case VK_UP: row = std::max(focusedIndex_ - 1, 0); break;
    case VK_DOWN: row = std::min(focusedIndex_ + 1, last); break;
    case VK_HOME: row = 0; break;
    case VK_END: row = last; break;
    default: return false;
  }
  // As the dialog manager does for its own keys: from now on the focus is shown.
  SendMessageW(GetAncestor(hwnd(), GA_ROOT), WM_CHANGEUISTATE,
               MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  FocusRow(row);
  return true;
}

void CheckList::FocusRow(int index) {
  if (!ItemAt(index) || index >= ListCount()) return;
  ScrollIntoView(index);
  SetFocus(items_[index].button);
}

void CheckList::ScrollIntoView(int index) {
  if (!ScrollBarVisible()) return;
  const int rows = VisibleRows(ClientHeight(), items_[0].height);
  SetScrollValue(ScrollValueShowing(index, ScrollValue(), rows));
  ScrollToValue();  // now, not when the timer comes: the row gets the focus next
}

void CheckList::ScaleTo(int pixelsPerInch) {
  pixelsPerInch_ = pixelsPerInch;
  twipsX_ = TwipsPerPixel(pixelsPerInch);
  twipsY_ = TwipsPerPixel(pixelsPerInch);
  SetWindowPos(hwnd(), nullptr, PxX(place_.left), PxY(place_.top), PxX(place_.right - place_.left),
               PxY(place_.bottom - place_.top), SWP_NOZORDER | SWP_NOACTIVATE);
  // The rows take fonts made for the new DPI before those of the old one go.
  const auto oldFonts = std::move(fonts_);
  fonts_.clear();
  for (const Item& item : items_) {
    SendMessageW(item.button, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(item.look.font)),
                 TRUE);
  }
  items_[0].top = 4 * twipsY_;  // the first row, as made, four pixels down
  PlaceScrollBar();
  UpdateScrollBar();
  PlaceRows();
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
      const RECT client = Client();
      FillRect(reinterpret_cast<HDC>(wParam), &client, Brush(properties_.backColor));
      return 1;
    }
    case WM_VSCROLL: OnScrollMessage(LOWORD(wParam)); return 0;
    case WM_TIMER:
      if (wParam != kScrollTimer) break;
      ScrollToValue();
      return 0;
    case WM_MOUSEMOVE: OnSurfaceMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEWHEEL: return 0;  // the tracker turns it into scrolling; it goes no further up
    case WM_SIZE: PlaceScrollBar(); return 0;
    case WM_SETFOCUS:
      // Tabbed into, the focus row takes the focus. A focus row scrolled out of sight hands the
      // focus to the list, which keeps it until a key brings the row back.
      if (IndexOf(reinterpret_cast<HWND>(wParam)) < 0)
        FocusRow(std::min(focusedIndex_, ListCount() - 1));
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      if (OnRowKey(wParam)) return 0;
      break;
    case WM_CHAR:
      if (wParam != L' ' || focusedIndex_ >= ListCount()) break;
      FocusRow(focusedIndex_);
      SetValue(focusedIndex_, !Selected(focusedIndex_));
      return 0;
    case WM_SHOWWINDOW:
      if (wParam) items_[0].look.backColor = properties_.backColor;
      break;
    default: break;
  }
  return DefWindowProcW(hwnd(), message, wParam, lParam);
}

}  // namespace sysinfo::ui
