// The mouse tracker's state machine: enter, hover, leave and wheel events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/mouse_over.h"

namespace sysinfo::ui {
namespace {

using Log = std::vector<std::string>;

// A clock the test moves by hand, a pointer it places, and a record of the tracking timer.
class FakeClock final : public TrackerClock {
 public:
  std::uint32_t now = 1000;
  WindowId under = 0;
  WindowId timer = 0;  // the window whose timer runs, 0 for none

  std::uint32_t TickCount() override { return now; }
  WindowId WindowUnderPointer() override { return under; }
  void StartTimer(WindowId window) override { timer = window; }
  void StopTimer(WindowId window) override {
    if (timer == window) timer = 0;
  }
};

// A tracker watching windows 1 and 2 with the check list's times, logging every event.
struct Tracker {
  explicit Tracker(int wheelLines = 3) : state(clock, wheelLines) {
    state.events.MouseEnter = [this](WindowId w, std::intptr_t) { log.push_back("enter " + std::to_string(w)); };
    state.events.MouseLeave = [this](WindowId w, std::intptr_t) { log.push_back("leave " + std::to_string(w)); };
    state.events.MouseHover = [this](WindowId w, std::intptr_t) { log.push_back("hover " + std::to_string(w)); };
    state.events.MouseScroll = [this](WindowId w, std::intptr_t, int lines) {
      log.push_back("scroll " + std::to_string(w) + " " + std::to_string(lines));
    };
    state.Attach(1, 60, 1000, 0);
    state.Attach(2, 60, 1000, 0);
  }
  // The pointer rests on `window` and the 60 ms timer ticks `ticks` times.
  void Rest(WindowId window, int ticks) {
    clock.under = window;
    for (int i = 0; i < ticks; ++i) {
      clock.now += kTrackingTimerMs;
      if (clock.timer) state.OnTimer();
    }
  }
  FakeClock clock;
  MouseOverState state;
  Log log;
};

TEST(MouseOver, EnterAfterMoreThanTheEnterTimeAndHoverAfterTheHoverTime) {
  Tracker t;
  t.clock.under = 1;
  t.state.OnMouseMove(1);
  EXPECT_EQ(t.clock.timer, 1u);
  t.clock.now += 60;  // exactly the enter time: not yet
  t.state.OnTimer();
  EXPECT_TRUE(t.log.empty());
  t.clock.now += 1;
  t.state.OnTimer();
  EXPECT_EQ(t.log, Log{"enter 1"});
  t.clock.now = 1000 + 1000;  // exactly the hover time: not yet
  t.state.OnTimer();
  EXPECT_EQ(t.log, Log{"enter 1"});
  t.Rest(1, 30);  // hover once, never twice
  EXPECT_EQ(t.log, (Log{"enter 1", "hover 1"}));
}

TEST(MouseOver, LeaveRules) {
  struct Case {
    const char* name;
    int ticksOnFirst;   // timer ticks while resting on window 1
    WindowId goesTo;    // where the pointer goes next
    bool moveMessage;   // whether that window reports a mouse move (attached windows do)
    Log expected;
  };
  const Case cases[] = {
      {"straight onto another attached window before entering", 0, 2, true, {"leave 1"}},
      {"onto another attached window after entering", 2, 2, true, {"enter 1", "leave 1"}},
      {"to an unattached window before entering", 0, 99, false, {}},
      {"to an unattached window after entering", 2, 99, false, {"enter 1", "leave 1"}},
      {"off after hovering", 20, 0, false, {"enter 1", "hover 1", "leave 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tracker t;
    t.clock.under = 1;
    t.state.OnMouseMove(1);
    t.Rest(1, c.ticksOnFirst);
    t.clock.under = c.goesTo;
    if (c.moveMessage) t.state.OnMouseMove(c.goesTo);
    t.clock.now += kTrackingTimerMs;
    if (t.clock.timer) t.state.OnTimer();
    if (!c.moveMessage) {
      EXPECT_EQ(t.clock.timer, 0u);  // timing ended, no timer left behind
    }
    EXPECT_EQ(t.log, c.expected);
  }
}

TEST(MouseOver, MovingOntoAnotherWindowStartsTimingThere) {
  Tracker t;
  t.clock.under = 1;
  t.state.OnMouseMove(1);
  t.Rest(1, 2);
  t.clock.under = 2;
  t.state.OnMouseMove(2);
  EXPECT_EQ(t.clock.timer, 2u);
  EXPECT_EQ(t.state.Current(), 2u);
  t.Rest(2, 2);
  EXPECT_EQ(t.log, (Log{"enter 1", "leave 1", "enter 2"}));
}

TEST(MouseOver, WheelLinesAndDirection) {
  struct Case {
    int setting;
    std::int32_t wParam;
    const char* expected;
  };
  const Case cases[] = {
      {3, 120 << 16, "scroll 1 3"},                          // away from the user
      {3, static_cast<std::int32_t>(0xFF880000), "scroll 1 -3"},  // toward the user
      {0, 120 << 16, "scroll 1 1"},                          // a setting of 0 counts as 1
      {0, static_cast<std::int32_t>(0xFF880000), "scroll 1 -1"},
      {3, (240 << 16) | 8, "scroll 1 3"},                    // the size of the turn is not used
  };
  for (const Case& c : cases) {
    Tracker t(c.setting);
    t.clock.under = 1;
    t.state.OnMouseMove(1);
    t.state.OnWheel(c.wParam);
    EXPECT_EQ(t.log, Log{c.expected}) << c.setting << " " << c.wParam;
  }
}

TEST(MouseOver, NoEventWithoutACurrentWindow) {
  Tracker t;
  t.state.OnWheel(120 << 16);
  t.state.OnTimer();
  t.state.OnMouseMove(99);  // not attached
  t.state.OnWheel(120 << 16);
  EXPECT_TRUE(t.log.empty());
  EXPECT_EQ(t.clock.timer, 0u);
}

TEST(MouseOver, DetachClearsOnlyTheFirstRecordOfAWindow) {
  Tracker t;
  t.state.Attach(1, 60, 1000, 7);  // window 1 attached a second time
  EXPECT_TRUE(t.state.Detach(1));
  // The second record still tracks the window, and it carries its own extra value.
  std::intptr_t extra = -1;
  t.state.events.MouseEnter = [&extra](WindowId, std::intptr_t value) { extra = value; };
  t.clock.under = 1;
  t.state.OnMouseMove(1);
  t.Rest(1, 2);
  EXPECT_EQ(extra, 7);
  EXPECT_TRUE(t.state.Detach(1));
  EXPECT_FALSE(t.state.Detach(1));
  EXPECT_EQ(t.clock.timer, 0u);  // detaching the window being timed stops its timer
}

TEST(MouseOver, MessageTableHoldsThirtyTwoDistinctMessages) {
  MessageTable table;
  for (std::uint32_t m = 1; m <= 32; ++m) ASSERT_TRUE(table.Add(m)) << m;
  EXPECT_TRUE(table.Add(5));    // already there: no new entry needed
  EXPECT_FALSE(table.Add(33));  // the 33rd distinct message overflows
  EXPECT_FALSE(table.Contains(33));
  EXPECT_TRUE(table.Contains(32));
  EXPECT_TRUE(table.Add(kAllMessages));  // every message, and never an overflow after it
  EXPECT_TRUE(table.Add(34));
  EXPECT_TRUE(table.Contains(0x20A));
  EXPECT_FALSE(MessageTable().Contains(0x200));
}

TEST(MouseOver, ErrorTexts) {
  const TrackerError error{"ssc_Subclass", "Window handle is already subclassed"};
  EXPECT_EQ(ErrorBoxTitle(error), "Error in cMouseOver.ssc_Subclass");
  EXPECT_EQ(ErrorBoxText(error), "Window handle is already subclassed.");
  EXPECT_EQ(EventLogText(error), "cMouseOver.ssc_Subclass: Window handle is already subclassed");
}

}  // namespace
}  // namespace sysinfo::ui
