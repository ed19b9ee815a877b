// cMouseOver on real windows: subclassing, the timer and the pointer, error reporting.
#include "ui/mouse_over_win.h"

#include <commctrl.h>

#include <set>

#include "base/handles_win.h"
#include "base/unicode_win.h"
#include "ui/window_win.h"

namespace sysinfo::ui {
namespace {

constexpr wchar_t kEventSource[] = L"Veltrix System Information";

void ShowAndLogError(const TrackerError& error) {
  const std::wstring text = Utf8ToWide(ErrorBoxText(error));
  MessageBoxW(nullptr, text.c_str(), Utf8ToWide(ErrorBoxTitle(error)).c_str(),
              MB_OK | MB_ICONEXCLAMATION);
  if (const UniqueEventSource log(RegisterEventSourceW(nullptr, kEventSource)); log) {
    const std::wstring entry = Utf8ToWide(EventLogText(error));
    const wchar_t* strings[] = {entry.c_str()};
    ReportEventW(log.get(), EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  }
}

TrackerErrorReporter g_reporter = ShowAndLogError;
std::set<UINT_PTR> g_liveTrackers;  // all on the window thread

void Report(const char* routine, std::string message) {
  g_reporter(TrackerError{routine, std::move(message)});
}

int WheelLinesSetting() {
  UINT lines = 3;
  if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) lines = 3;
  return static_cast<int>(lines);
}

HWND Hwnd(WindowId window) { return reinterpret_cast<HWND>(window); }
WindowId WindowIdOf(HWND window) { return reinterpret_cast<WindowId>(window); }

}  // namespace

void SetTrackerErrorReporter(TrackerErrorReporter reporter) {
  g_reporter = reporter ? reporter : ShowAndLogError;
}

std::uint32_t cMouseOver::Clock::TickCount() { return GetTickCount(); }

WindowId cMouseOver::Clock::WindowUnderPointer() {
  POINT pointer{};
  if (!GetCursorPos(&pointer)) return 0;
  return WindowIdOf(WindowFromPoint(pointer));
}

void cMouseOver::Clock::StartTimer(WindowId window) {
  SetTimer(Hwnd(window), owner_.Id(), kTrackingTimerMs, TimerProc);
}

void cMouseOver::Clock::StopTimer(WindowId window) { KillTimer(Hwnd(window), owner_.Id()); }

cMouseOver::cMouseOver() : state_(clock_, WheelLinesSetting()) { g_liveTrackers.insert(Id()); }

cMouseOver::~cMouseOver() {
  g_liveTrackers.erase(Id());
  state_.Stop();
  while (!subclassed_.empty()) Unsubclass(subclassed_.begin()->first);
}

bool cMouseOver::AttachObject(HWND window, unsigned enterMs, unsigned hoverMs,
                              std::intptr_t extra) {
  if (!window) return false;
  state_.Attach(WindowIdOf(window), enterMs, hoverMs, extra);
  if (Subclass(window)) AddMessages(window, kAfter, {kMouseMoveMessage, kMouseWheelMessage});
  return true;
}

bool cMouseOver::DettachObject(HWND window) {
  if (!window || !state_.Detach(WindowIdOf(window))) return false;
  Unsubclass(window);
  return true;
}

bool cMouseOver::Subclass(HWND window) {
  if (!IsWindow(window)) {
    Report("ssc_Subclass", "Invalid window handle");
    return false;
  }
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) {
    Report("ssc_Subclass", "Window handle belongs to another process");
    return false;
  }
  if (subclassed_.count(window)) {
    Report("ssc_Subclass", "Window handle is already subclassed");
    return false;
  }
  if (!SubclassControl<&cMouseOver::Dispatch>(window, this)) {
    Report("ssc_Subclass", "SetWindowSubclass failed, error #" + std::to_string(GetLastError()));
    return false;
  }
  subclassed_.emplace(window, Tables{});
  return true;
}

bool cMouseOver::AddMessages(HWND window, When when,
                             std::initializer_list<std::uint32_t> messages) {
  const auto found = subclassed_.find(window);
  if (found == subclassed_.end()) return false;
  bool ok = true;
  for (MessageTable* table : {&found->second.before, &found->second.after}) {
    const bool wanted = table == &found->second.before ? (when & kBefore) : (when & kAfter);
    if (!wanted) continue;
    // After an overflow the rest of the list is not added to that table.
    for (std::uint32_t message : messages) {
      if (!table->Add(message)) {
        Report("zAddMsg", std::string(kTableOverflowText));
        ok = false;
        break;
      }
    }
  }
  return ok;
}

void cMouseOver::Unsubclass(HWND window) {
  if (subclassed_.erase(window)) UnsubclassControl<&cMouseOver::Dispatch>(window, this);
}

void CALLBACK cMouseOver::TimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  // The timer's identifier is the tracker's address; a tracker that is gone leaves no timer.
  if (g_liveTrackers.count(id)) {
    reinterpret_cast<cMouseOver*>(id)->state_.OnTimer();
  } else {
    KillTimer(window, id);
  }
}

LRESULT cMouseOver::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto found = subclassed_.find(window);
  if (found == subclassed_.end() || message == WM_NCDESTROY) {
    // The window is going away: the tracker leaves its chain.
    if (found != subclassed_.end()) {
      if (state_.Current() == WindowIdOf(window)) state_.Stop();
      Unsubclass(window);
    }
    return DefaultSubclassProc(window, message, wParam, lParam);
  }
  // Copies: the owner may detach the window while handling the message.
  const bool before = found->second.before.Contains(message);
  const bool after = found->second.after.Contains(message);
  LRESULT result = 0;
  bool handled = false;
  if (before) {
    OnMessage(true, handled, result, window, message, wParam, lParam);
    if (handled) return result;
  }
  // A wheel turn a child does not use is passed on to its parent; when both are watched the
  // tracker counts the turn once, at the window that got it first.
  const bool wheel = message == WM_MOUSEWHEEL;
  if (wheel) ++wheelDepth_;
  result = DefaultSubclassProc(window, message, wParam, lParam);
  if (wheel) --wheelDepth_;
  if (after && !(wheel && wheelDepth_ > 0)) {
    OnMessage(false, handled, result, window, message, wParam, lParam);
  }
  return result;
}

void cMouseOver::OnMessage(bool before, bool&, LRESULT&, HWND window, UINT message, WPARAM wParam,
                           LPARAM) {
  if (before) return;
  if (message == kMouseMoveMessage) state_.OnMouseMove(WindowIdOf(window));
  if (message == kMouseWheelMessage) {
    state_.OnWheel(static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam)));
  }
}

}  // namespace sysinfo::ui
