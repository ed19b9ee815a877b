// The mouse tracker's portable state machine and the message tables it watches.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sysinfo::ui {

// A window handle as a number, so the tracker's logic runs without the platform; 0 is no window.
using WindowId = std::uintptr_t;

// How long the pointer must rest on a window before the tracker checks it again.
inline constexpr unsigned kTrackingTimerMs = 60;

// The messages the tracker watches on every attached window.
inline constexpr std::uint32_t kMouseMoveMessage = 0x200;
inline constexpr std::uint32_t kMouseWheelMessage = 0x20A;

// A window's list of messages its owner wants to see, before or after the window's own procedure.
inline constexpr int kMessageEntries = 32;  // MSG_ENTRIES
inline constexpr std::uint32_t kAllMessages = 0xFFFFFFFF;  // ALL_MESSAGES (-1)

class MessageTable {
 public:
  // Adds a message once; kAllMessages makes the table take every message. False when the table
  // already holds kMessageEntries distinct messages and this one is new.
  bool Add(std::uint32_t message);
  bool Contains(std::uint32_t message) const;
  bool Empty() const { return count_ == 0; }

 private:
  int count_ = 0;  // -1 once kAllMessages was added
  std::array<std::uint32_t, kMessageEntries> entries_{};
};

inline constexpr std::string_view kTableOverflowText =
    "Message table overflow. Either increase the value of Const MSG_ENTRIES or use "
    "ALL_MESSAGES instead of specific message values";

// How a failure inside the tracker is told: a message box and an event-log entry.
struct TrackerError {
  std::string routine;  // e.g. "ssc_Subclass"
  std::string message;  // e.g. "Window handle is already subclassed"
};
std::string ErrorBoxTitle(const TrackerError& error);  // "Error in cMouseOver.ssc_Subclass"
std::string ErrorBoxText(const TrackerError& error);  // the message and a full stop
std::string EventLogText(const TrackerError& error);  // "cMouseOver.ssc_Subclass: ..."

// What the tracker needs from the system: a clock, the window under the pointer and one timer.
class TrackerClock {
 public:
  virtual ~TrackerClock() = default;
  virtual std::uint32_t TickCount() = 0;  // milliseconds, wrapping like GetTickCount
  virtual WindowId WindowUnderPointer() = 0;
  virtual void StartTimer(WindowId window) = 0;
  virtual void StopTimer(WindowId window) = 0;
};

struct MouseOverEvents {
  std::function<void(WindowId, std::intptr_t extra)> MouseEnter;
  std::function<void(WindowId, std::intptr_t extra)> MouseLeave;
  std::function<void(WindowId, std::intptr_t extra)> MouseHover;
  std::function<void(WindowId, std::intptr_t extra, int lines)> MouseScroll;
};

// The tracker's timing: which attached window the pointer is on, and when it has rested there
// long enough to count as entered and then as hovering. Windows are never forgotten; detaching
// only clears the record's handle.
class MouseOverState {
 public:
  // `wheelLinesSetting` is the system's wheel scroll-lines setting; 0 counts as 1.
  MouseOverState(TrackerClock& clock, int wheelLinesSetting);

  MouseOverEvents events;

  void Attach(WindowId window, unsigned enterMs, unsigned hoverMs, std::intptr_t extra);
  // Clears the first record holding the window; false when none does.
  bool Detach(WindowId window);

  void OnMouseMove(WindowId window);
  void OnTimer();
  // `wParam` of the wheel message taken as a signed 32-bit number.
  void OnWheel(std::int32_t wParam);
  // Ends timing of the current window without an event (the tracker is going away).
  void Stop();

  WindowId Current() const { return current_ ? records_[current_].window : 0; }

 private:
  struct Record {
    WindowId window = 0;
    unsigned hoverMs = 0;
    unsigned enterMs = 0;
    std::intptr_t extra = 0;
  };
  void Raise(const std::function<void(WindowId, std::intptr_t)>& event) const;
  void EndVisit();

  TrackerClock& clock_;
  int wheelLines_;
  std::vector<Record> records_{Record{}};  // element 0 holds no window
  std::size_t current_ = 0;
  std::uint32_t startTick_ = 0;
  bool entered_ = false;
  bool hovered_ = false;
};

}  // namespace sysinfo::ui
