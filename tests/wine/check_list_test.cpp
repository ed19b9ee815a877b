// The check list and the mouse tracker on real windows: the rows that fit, the saved properties'
// visible effect, focus colours under visual styles, and the tracker's error reports.
#include <gtest/gtest.h>

#include <windows.h>
#include <uxtheme.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/unicode_win.h"
#include "tests/wine/wine_support.h"
#include "ui/check_list_win.h"
#include "ui/mouse_over_win.h"
#include "ui/window_win.h"

namespace sysinfo::ui {
namespace {

const FontSpec kAmbient{"Verdana", 8, FW_NORMAL};
const FontSpec kBold{"Verdana", 12, FW_BOLD};

// One top-level window for every list of the tests (Wine takes a while to make and end one).
HWND Parent() {
  static const UniqueWindow parent(
      CreateWindowExW(0, L"STATIC", L"check list host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                      400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  return parent.get();
}

// A check list whose client area is 2760 by 4080 twips (sixteen rows of 255) inside its
// three-dimensional border of two pixels a side.
class CheckListHost {
 public:
  explicit CheckListHost(std::vector<std::string> items = {}, const PropertyBag& saved = {}) {
    list = CheckList::Create({Parent(), 1, RECT{0, 0, 2820, 4140}, saved, kAmbient});
    for (const std::string& text : items) list->AddItem(text);
  }
  void Pump(DWORD milliseconds) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(5)) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
  }
  std::unique_ptr<CheckList> list;
};

// A list made and destroyed again under one long-lived window (a form that rebuilds its
// controls) must take every window of its own with it, its tip window included.
TEST(CheckList, LeavesNoWindowBehindWhenDestroyed) {
  const auto threadWindows = [] {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND, LPARAM counter) {
          ++*reinterpret_cast<int*>(counter);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
  };
  CheckListHost host;
  const int before = threadWindows();
  for (int round = 0; round < 3; ++round) {
    host.list = CheckList::Create({Parent(), 1, RECT{0, 0, 2760, 4080}, {}, kAmbient});
    for (const char* text : {"Alpha", "Beta"}) host.list->AddItem(text);
  }
  EXPECT_EQ(threadWindows(), before);
}

// The window program's sixteen categories fill the list's sixteen rows: no scroll bar, every item
// shown (the scrolling arithmetic is tested on the host).
TEST(CheckList, SixteenRowsFitWithoutAScrollBar) {
  CheckListHost host;
  for (int i = 0; i < 16; ++i) host.list->AddItem("Item " + std::to_string(i));
  EXPECT_FALSE(host.list->ScrollBarVisible());
  EXPECT_TRUE(host.list->ItemVisible(15));
  host.list->AddItem("Item 16");
  EXPECT_TRUE(host.list->ScrollBarVisible());  // a seventeenth does not fit
}

// What the control shows, read back from its windows.
long Style(HWND window, long bits) { return GetWindowLongW(window, GWL_STYLE) & bits; }
HWND LastItem(const CheckList& list) { return list.ItemWindow(std::max(list.ListCount() - 1, 0)); }

// The colour the control paints with: its surface erased into a bitmap, or the text colour it
// gives its last item.
COLORREF Painted(const CheckList& list, UINT message) {
  const WindowDc screen(list.hwnd());
  const UniqueDc memory(CreateCompatibleDC(screen.get()));
  const UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), 4, 4));
  const SelectedObject selected(memory.get(), bitmap.get());
  SendMessageW(list.hwnd(), message, reinterpret_cast<WPARAM>(memory.get()),
               reinterpret_cast<LPARAM>(LastItem(list)));
  return message == WM_ERASEBKGND ? GetPixel(memory.get(), 1, 1) : GetTextColor(memory.get());
}

long Border(const CheckList& list) {
  return (GetWindowLongW(list.hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE ? 1 : 0) +
         Style(list.hwnd(), WS_BORDER);
}

TEST(CheckList, EachDesignerPropertyShowsAndIsSaved) {
  struct Row {
    const char* name;
    std::function<void(CheckList&)> set;
    std::function<long(CheckList&)> shown;
    long before;  // as a control made from an empty bag shows it
    long after;
    bool reloaded;  // a control made again from the saved bag shows it too
  };
  const auto height = [](CheckList& list) {
    RECT place{};
    GetWindowRect(list.ItemWindow(0), &place);
    return place.bottom - place.top;
  };
  const auto weight = [](CheckList& list) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(LastItem(list), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font.lfWeight;
  };
  const auto leftText = [](CheckList& l) { return Style(LastItem(l), BS_LEFTTEXT); };
  const auto flat = [](CheckList& l) { return Style(LastItem(l), BS_FLAT); };
  const auto disabled = [](CheckList& l) { return Style(l.ItemWindow(0), WS_DISABLED); };
  const auto ticked = [](CheckList& l) { return long{l.Selected(0)}; };
  const auto text = [](CheckList& l) { return long(Painted(l, WM_CTLCOLORSTATIC)); };
  const auto back = [](CheckList& l) { return long(Painted(l, WM_ERASEBKGND)); };
  const auto renamed = [](CheckList& l) { return long(l.List(0) == "Renamed"); };
  const long buttonText = GetSysColor(COLOR_BTNTEXT);
  const long buttonFace = GetSysColor(COLOR_BTNFACE);
  const auto ticksAfterTickingTwo = [](CheckList& list) {
    list.AddItem("x", true);
    list.AddItem("y", true);
    long ticked = 0;
    for (int i = 0; i < list.ListCount(); ++i) ticked += list.Selected(i);
    return ticked;
  };
  const Row rows[] = {
      {"ItemHeight", [](auto& l) { l.SetItemHeight(450); }, height, 17, 30, false},
      {"Alignment", [](auto& l) { l.SetAlignment(0); }, leftText, BS_LEFTTEXT, 0, true},
      {"Selected", [](auto& l) { l.SetSelected(0, true); }, ticked, 0, 1, true},
      {"AppearanceBorder", [](auto& l) { l.SetAppearanceBorder(0); }, Border, 1, WS_BORDER, true},
      {"AppearanceCheck", [](auto& l) { l.SetAppearanceCheck(0); }, flat, 0, BS_FLAT, true},
      {"ForeColor", [](auto& l) { l.SetForeColor(0xC80000); }, text, buttonText, 0xC80000, true},
      {"Enabled", [](auto& l) { l.SetEnabled(false); }, disabled, 0, WS_DISABLED, true},
      {"Font", [](auto& l) { l.SetFont(kBold); }, weight, FW_NORMAL, FW_BOLD, true},
      {"BackColor", [](auto& l) { l.SetBackColor(0x00C800); }, back, buttonFace, 0x00C800, true},
      {"BorderStyle", [](auto& l) { l.SetBorderStyle(0); }, Border, 1, 0, true},
      {"List", [](auto& l) { l.SetList(0, "Renamed"); }, renamed, 0, 1, true},
      {"MultiSelect", [](auto& l) { l.SetMultiSelect(false); }, ticksAfterTickingTwo, 2, 1, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CheckListHost host({"Alpha", "Beta"});
    std::string changed;
    host.list->PropertyChanged = [&changed](std::string_view name) { changed = name; };
    EXPECT_EQ(row.shown(*host.list), row.before);
    row.set(*host.list);
    EXPECT_EQ(row.shown(*host.list), row.after);
    EXPECT_EQ(changed, row.name);
    PropertyBag saved;
    host.list->WriteProperties(saved, kAmbient);
    CheckListHost again({}, saved);
    EXPECT_EQ(row.shown(*again.list) == row.after, row.reloaded);
  }
}

// With visual styles (the window program's own manifest) a check box draws its caption in the
// theme's colours; the focused item must still show the highlight colours.
TEST(CheckList, FocusedItemShowsTheHighlightUnderVisualStyles) {
  const std::wstring program = Utf8ToWide(testing::ProgramFolder() + "\\sysinfo.exe");
  ACTCTXW manifest{sizeof manifest, ACTCTX_FLAG_RESOURCE_NAME_VALID, program.c_str()};
  manifest.lpResourceName = MAKEINTRESOURCEW(1);
  const UniqueResource<HANDLE, ReleaseActCtx> context(CreateActCtxW(&manifest));
  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(context.get(), &cookie));
  CheckListHost host({"Focused", "Other"});
  DeactivateActCtx(0, cookie);
  ASSERT_TRUE(GetWindowTheme(host.list->ItemWindow(1)));  // visual styles are on
  host.list->SetAlignment(0);  // the box on the left, the caption past a third of the width
  host.list->SetFocusedIndex(0);
  host.Pump(50);
  const HWND item = host.list->ItemWindow(0);
  RECT client{};
  GetClientRect(item, &client);
  const WindowDc dc(item);
  int text = 0;
  int background = 0;
  for (int x = client.right / 3; x < client.right; ++x) {
    for (int y = 0; y < client.bottom; ++y) {
      const COLORREF pixel = GetPixel(dc.get(), x, y);
      text += pixel == GetSysColor(COLOR_HIGHLIGHTTEXT);
      background += pixel == GetSysColor(COLOR_HIGHLIGHT);
    }
  }
  EXPECT_GT(text, 20);
  EXPECT_GT(background, client.right * client.bottom / 3);
}

std::vector<TrackerError> g_errors;
void CollectError(const TrackerError& error) { g_errors.push_back(error); }

TEST(MouseTracker, ReportsWindowsItCannotSubclass) {
  g_errors.clear();
  SetTrackerErrorReporter(CollectError);
  const UniqueWindow window(CreateWindowExW(0, L"STATIC", L"tracked", WS_OVERLAPPEDWINDOW, 0, 0,
                                            100, 100, nullptr, nullptr, GetModuleHandleW(nullptr),
                                            nullptr));
  cMouseOver tracker;
  EXPECT_FALSE(tracker.AttachObject(nullptr));
  EXPECT_TRUE(tracker.AttachObject(window.get()));
  EXPECT_TRUE(tracker.AttachObject(window.get()));  // a second record; its subclassing fails
  EXPECT_TRUE(tracker.AttachObject(reinterpret_cast<HWND>(0x7ff0)));
  EXPECT_TRUE(tracker.AttachObject(GetDesktopWindow()));  // belongs to the desktop's process
  EXPECT_TRUE(tracker.DettachObject(window.get()));
  EXPECT_TRUE(tracker.DettachObject(window.get()));
  EXPECT_FALSE(tracker.DettachObject(window.get()));
  ASSERT_TRUE(tracker.Subclass(window.get()));

  // Without a reporter of its own the tracker shows a message box: another thread reads and
  // answers it.
  SetTrackerErrorReporter(nullptr);
  std::wstring text;
  std::thread reader([&text] {
    const HWND box = testing::WaitFor(
        [] { return FindWindowW(L"#32770", L"Error in cMouseOver.ssc_Subclass"); });
    std::array<wchar_t, 256> buffer{};
    GetDlgItemTextW(box, 0xFFFF, buffer.data(), 256);
    text = buffer.data();
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  tracker.Subclass(window.get());
  reader.join();

  std::vector<std::string> seen;
  for (const auto& error : g_errors)
    seen.push_back(ErrorBoxTitle(error) + ": " + ErrorBoxText(error));
  seen.push_back(WideToUtf8(text));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "Error in cMouseOver.ssc_Subclass: Window handle is already subclassed.",
                      "Error in cMouseOver.ssc_Subclass: Invalid window handle.",
                      "Error in cMouseOver.ssc_Subclass: Window handle belongs to another process.",
                      "Window handle is already subclassed.",
                  }));
}

}  // namespace
}  // namespace sysinfo::ui
