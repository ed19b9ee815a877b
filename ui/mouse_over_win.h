// cMouseOver: the mouse tracker on real windows, and where its errors are reported.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <map>

#include "ui/mouse_over.h"

namespace sysinfo::ui {

// Tells the user and the application event log about a failure inside the tracker. Tests may
// install their own; nullptr puts the message box and event log back.
using TrackerErrorReporter = void (*)(const TrackerError& error);
void SetTrackerErrorReporter(TrackerErrorReporter reporter);

// Watches windows for the mouse: enter after resting `enterMs` on one, hover after `hoverMs`,
// leave, and wheel turns while the pointer is on one. Each window is subclassed with the
// platform's subclass chain; the tracker sees the messages of its tables before or after the
// window's own procedure.
class cMouseOver {
 public:
  cMouseOver();
  ~cMouseOver();
  cMouseOver(const cMouseOver&) = delete;
  cMouseOver& operator=(const cMouseOver&) = delete;

  MouseOverEvents& Events() { return state_.events; }

  // False only for a null handle; a window that cannot be subclassed is reported and still
  // counts as attached.
  bool AttachObject(HWND window, unsigned enterMs = 60, unsigned hoverMs = 1000,
                    std::intptr_t extra = 0);
  // Detaches the first record of the window; false when no record holds it.
  bool DettachObject(HWND window);

  // The subclassing machinery, open to owners that want more messages.
  enum When { kBefore = 1, kAfter = 2, kBoth = 3 };
  bool Subclass(HWND window);
  bool AddMessages(HWND window, When when, std::initializer_list<std::uint32_t> messages);
  void Unsubclass(HWND window);

 private:
  class Clock final : public TrackerClock {
   public:
    explicit Clock(cMouseOver& owner) : owner_(owner) {}
    std::uint32_t TickCount() override;
    WindowId WindowUnderPointer() override;
    void StartTimer(WindowId window) override;
    void StopTimer(WindowId window) override;

   private:
    cMouseOver& owner_;
  };
  struct Tables {
    MessageTable before;
    MessageTable after;
  };

  static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
  LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The tracker's own handling of a message from one of its tables.
  void OnMessage(bool before, bool& handled, LRESULT& result, HWND window, UINT message,
                 WPARAM wParam, LPARAM lParam);
  UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(this); }

  Clock clock_{*this};
  MouseOverState state_;
  std::map<HWND, Tables> subclassed_;
  int wheelDepth_ = 0;
};

}  // namespace sysinfo::ui
