// The check list control and the mouse tracker on real windows under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "base/unicode_win.h"
#include "ui/check_list_win.h"
#include "ui/mouse_over_win.h"

namespace sysinfo::ui {
namespace {

const FontSpec kAmbient{"Verdana", 8, FW_NORMAL};
// A control whose client area is 2760 by 4080 twips: sixteen rows of 255.
constexpr double kBorder = 60;  // the three-dimensional border, two pixels a side

// A top-level window holding one check list.
class CheckListHost {
 public:
  CheckListHost() {
    parent_ = CreateWindowExW(0, L"STATIC", L"check list host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              0, 0, 400, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    list = CheckList::Create(parent_, 1, 0, 0, 2760 + kBorder, 4080 + kBorder, PropertyBag(), kAmbient);
    list->ItemClicked = [this](int index) { clicks.push_back(index); };
  }
  ~CheckListHost() {
    list.reset();
    DestroyWindow(parent_);
  }
  void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(5);
    } while (GetTickCount() - start < milliseconds);
  }
  std::unique_ptr<CheckList> list;
  std::vector<int> clicks;

 private:
  HWND parent_ = nullptr;
};

TEST(CheckList, AddRemoveAndClear) {
  CheckListHost host;
  CheckList& list = *host.list;
  EXPECT_EQ(list.ListCount(), 0);
  for (const char* text : {"Alpha", "Beta", "Gamma", "Delta"}) list.AddItem(text);
  list.SetSelected(1, true);
  list.SetSelected(3, true);
  list.SetItemEditable(2, false);
  ASSERT_EQ(list.ListCount(), 4);
  EXPECT_NE(list.ItemWindow(1), list.ItemWindow(0));  // real windows, one per item

  list.RemoveItem(1);
  list.RemoveItem(7);  // no such item: nothing changes, nothing throws
  list.SetSelected(7, true);
  EXPECT_FALSE(list.Selected(-1));
  ASSERT_EQ(list.ListCount(), 3);
  // Captions and ticks move up; the enabled flags stay where they were.
  std::vector<std::string> items;
  for (int i = 0; i < 3; ++i) {
    items.push_back(list.List(i) + (list.Selected(i) ? " ticked" : "") + (list.ItemEditable(i) ? "" : " fixed"));
  }
  EXPECT_EQ(items, (std::vector<std::string>{"Alpha", "Gamma", "Delta ticked fixed"}));

  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
  list.AddItem("Epsilon", true);
  ASSERT_EQ(list.ListCount(), 1);
  EXPECT_EQ(list.List(0), "Epsilon");
  EXPECT_TRUE(list.Selected(0));
  EXPECT_TRUE(list.ItemVisible(0));
  list.RemoveItem(0);  // the last item: the list is cleared
  EXPECT_EQ(list.ListCount(), 0);
  EXPECT_FALSE(list.ItemVisible(0));
}

// A list made and destroyed again under one long-lived window (a form that rebuilds its
// controls) must take every window of its own with it, its tip window included.
TEST(CheckList, LeavesNoWindowBehindWhenDestroyed) {
  const auto threadWindows = [] {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND, LPARAM counter) {
      ++*reinterpret_cast<int*>(counter);
      return TRUE;
    }, reinterpret_cast<LPARAM>(&count));
    return count;
  };
  CheckListHost host;
  const HWND parent = GetParent(host.list->hwnd());
  const int before = threadWindows();
  for (int round = 0; round < 3; ++round) {
    host.list.reset();
    host.list = CheckList::Create(parent, 1, 0, 0, 2760, 4080, PropertyBag(), kAmbient);
    for (const char* text : {"Alpha", "Beta"}) host.list->AddItem(text);
  }
  EXPECT_EQ(threadWindows(), before);
}

TEST(CheckList, ScrollBarFollowsTheRowsThatFit) {
  CheckListHost host;
  CheckList& list = *host.list;
  for (int i = 0; i < 16; ++i) list.AddItem("Item " + std::to_string(i));
  EXPECT_FALSE(list.ScrollBarVisible());
  EXPECT_TRUE(list.ItemVisible(15));
  list.AddItem("Item 16");
  EXPECT_TRUE(list.ScrollBarVisible());
  EXPECT_EQ(list.ScrollMaximum(), 2);
  list.RemoveItem(0);
  EXPECT_FALSE(list.ScrollBarVisible());
}

TEST(CheckList, SingleSelectRaisesExactlyOneClick) {
  CheckListHost host;
  CheckList& list = *host.list;
  for (const char* text : {"A", "B", "C", "D"}) list.AddItem(text);
  list.SetSelected(0, true);
  list.SetSelected(1, true);
  EXPECT_EQ(host.clicks, (std::vector<int>{0, 1}));  // changing a tick in code is a click too
  host.clicks.clear();
  list.SetMultiSelect(false);
  SendMessageW(list.ItemWindow(2), BM_CLICK, 0, 0);  // as the user clicks it
  EXPECT_EQ(host.clicks, std::vector<int>{2});
  EXPECT_EQ((std::vector<bool>{list.Selected(0), list.Selected(1), list.Selected(2)}),
            (std::vector<bool>{false, false, true}));
  SendMessageW(list.ItemWindow(2), BM_CLICK, 0, 0);  // a second click unticks it
  EXPECT_FALSE(list.Selected(2));
}

TEST(CheckList, WheelOverAnItemScrollsOneRow) {
  CheckListHost host;
  CheckList& list = *host.list;
  for (int i = 0; i < 20; ++i) list.AddItem("Item " + std::to_string(i));
  const double firstTop = list.ItemTopTwips(0);
  HWND item = list.ItemWindow(3);
  RECT place{};
  GetWindowRect(item, &place);
  SetCursorPos(place.left + 3, place.top + 3);
  SendMessageW(item, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));  // the tracker starts timing this item
  SendMessageW(item, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(list.ScrollValue(), 1);  // toward the user: one row down, however many lines
  host.Pump(100);                    // the 10 ms timer moves the items
  EXPECT_FALSE(list.ItemVisible(0));
  EXPECT_EQ(list.ItemTopTwips(1), firstTop);  // item 1 is in the first row now
  SendMessageW(item, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  SendMessageW(item, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(list.ScrollValue(), 0);  // near the top a turn away goes to the first item
}

std::vector<TrackerError> g_errors;
void CollectError(const TrackerError& error) { g_errors.push_back(error); }

TEST(MouseTracker, RefusesWindowsItCannotSubclass) {
  g_errors.clear();
  SetTrackerErrorReporter(CollectError);
  HWND window = CreateWindowExW(0, L"STATIC", L"tracked", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  {
    cMouseOver tracker;
    EXPECT_FALSE(tracker.AttachObject(nullptr));
    EXPECT_TRUE(tracker.AttachObject(window));
    EXPECT_TRUE(tracker.AttachObject(window));  // a second record; its subclassing fails
    EXPECT_TRUE(tracker.AttachObject(reinterpret_cast<HWND>(0x7ff0)));
    EXPECT_TRUE(tracker.AttachObject(GetDesktopWindow()));  // belongs to the desktop's process
    EXPECT_TRUE(tracker.DettachObject(window));
    EXPECT_TRUE(tracker.DettachObject(window));
    EXPECT_FALSE(tracker.DettachObject(window));

    // Thirty-two messages fit a table; the thirty-third distinct one overflows it.
    ASSERT_TRUE(tracker.Subclass(window));
    std::uint32_t message = WM_USER;
    while (message < WM_USER + 32) EXPECT_TRUE(tracker.AddMessages(window, cMouseOver::kBefore, {message++}));
    EXPECT_FALSE(tracker.AddMessages(window, cMouseOver::kBefore, {message++}));
    EXPECT_TRUE(tracker.AddMessages(window, cMouseOver::kAfter, {kAllMessages, message++}));
  }
  SetTrackerErrorReporter(nullptr);
  DestroyWindow(window);

  std::vector<std::string> seen;
  for (const auto& error : g_errors) seen.push_back(ErrorBoxTitle(error) + ": " + ErrorBoxText(error));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "Error in cMouseOver.ssc_Subclass: Window handle is already subclassed.",
                      "Error in cMouseOver.ssc_Subclass: Invalid window handle.",
                      "Error in cMouseOver.ssc_Subclass: Window handle belongs to another process.",
                      "Error in cMouseOver.zAddMsg: " + std::string(kTableOverflowText) + ".",
                  }));
}

TEST(MouseTracker, ReportsInAMessageBox) {
  HWND window = CreateWindowExW(0, L"STATIC", L"tracked", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  cMouseOver tracker;
  tracker.AttachObject(window);
  // Another thread reads the box the second attach shows, and answers it.
  std::wstring text;
  std::thread reader([&text] {
    for (int i = 0; i < 1000 && text.empty(); ++i) {
      if (HWND box = FindWindowW(L"#32770", L"Error in cMouseOver.ssc_Subclass")) {
        wchar_t buffer[256] = {};
        GetDlgItemTextW(box, 0xFFFF, buffer, 256);
        text = buffer;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(10);
    }
  });
  tracker.AttachObject(window);
  reader.join();
  EXPECT_EQ(WideToUtf8(text), "Window handle is already subclassed.");
  tracker.DettachObject(window);
  DestroyWindow(window);
}

}  // namespace
}  // namespace sysinfo::ui
