// The mouse tracker's timing and wheel rules, driven by scripts against a clock moved by hand.
#include <gtest/gtest.h>

#include <sstream>
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

// Runs a script against a tracker watching windows 1 and 2 with the check list's times, and logs
// each event with its time since the start ("enter 1 @120"), then the timer left running, if any.
// Steps: "on W" (the pointer moves onto window W), "off W" (the pointer is over W, which reports
// no move), "wait MS" (time passes, then the timer fires), "tick N" (N ticks of the tracking
// timer), "wheel WPARAM", "attach W EXTRA", "detach W".
Log RunScript(const std::string& script, int wheelLines = 3) {
  FakeClock clock;
  MouseOverState state(clock, wheelLines);
  Log log;
  const auto event = [&](const char* name) {
    return [&log, &clock, name](WindowId w, std::intptr_t extra) {
      log.push_back(name + (" " + std::to_string(w)) + (extra ? "/" + std::to_string(extra) : "") +
                    " @" + std::to_string(clock.now - 1000));
    };
  };
  state.events = {event("enter"), event("leave"), event("hover"),
                  [&log](WindowId w, std::intptr_t, int lines) {
                    log.push_back("scroll " + std::to_string(w) + " " + std::to_string(lines));
                  }};
  state.Attach(1, 60, 1000, 0);
  state.Attach(2, 60, 1000, 0);
  std::istringstream steps(script);
  for (std::string step; steps >> step;) {
    long long value = 0;
    steps >> value;
    if (step == "on" || step == "off") clock.under = static_cast<WindowId>(value);
    if (step == "on") state.OnMouseMove(clock.under);
    if (step == "wait") clock.now += static_cast<std::uint32_t>(value);
    if (step == "wait") state.OnTimer();
    for (long long i = 0; step == "tick" && i < value; ++i) {
      clock.now += kTrackingTimerMs;
      state.OnTimer();
    }
    if (step == "wheel") state.OnWheel(static_cast<std::int32_t>(value));
    if (step == "attach") {
      long long extra = 0;
      steps >> extra;
      state.Attach(static_cast<WindowId>(value), 60, 1000, static_cast<std::intptr_t>(extra));
    }
    if (step == "detach")
      log.push_back(state.Detach(static_cast<WindowId>(value)) ? "detached" : "not attached");
  }
  if (clock.timer) log.push_back("timer " + std::to_string(clock.timer));
  return log;
}

TEST(MouseOver, Scripts) {
  struct Case {
    const char* script;
    Log expected;
    int wheelLines = 3;
  };
  const Case cases[] = {
      // Enter and hover come strictly after their times, once each per visit.
      {"on 1 wait 60 wait 1 wait 939 wait 1 tick 30", {"enter 1 @61", "hover 1 @1001", "timer 1"}},
      // Straight onto another attached window: leave, even before an enter.
      {"on 1 on 2 tick 1", {"leave 1 @0", "timer 2"}},
      {"on 1 tick 2 on 2 tick 2", {"enter 1 @120", "leave 1 @120", "enter 2 @240", "timer 2"}},
      // Onto a window that is not attached: leave only after an enter, and no timer left behind.
      {"on 1 off 99 tick 1", {}},
      {"on 1 tick 2 off 99 tick 1", {"enter 1 @120", "leave 1 @180"}},
      {"on 1 tick 20 off 0 tick 1", {"enter 1 @120", "hover 1 @1020", "leave 1 @1260"}},
      // The wheel: the setting's lines (0 counts as 1), signed by the direction, whatever the size.
      {"on 1 wheel 7864320", {"scroll 1 3", "timer 1"}},
      {"on 1 wheel -7864320", {"scroll 1 -3", "timer 1"}},
      {"on 1 wheel 15728648", {"scroll 1 3", "timer 1"}},
      {"on 1 wheel 7864320 wheel -7864320", {"scroll 1 1", "scroll 1 -1", "timer 1"}, 0},
      // Nothing happens without a current window.
      {"wheel 7864320 tick 1 on 99 wheel 7864320", {}},
      // Detaching clears the first record of a window: the second one (with its extra value)
      // still tracks it, and detaching the window being timed stops the timer.
      {"attach 1 7 detach 1 on 1 tick 2 detach 1 detach 1",
       {"detached", "enter 1/7 @120", "detached", "not attached"}},
  };
  for (const Case& c : cases) EXPECT_EQ(RunScript(c.script, c.wheelLines), c.expected) << c.script;
}

TEST(MouseOver, MessageTableHoldsThirtyTwoDistinctMessages) {
  MessageTable table;
  for (std::uint32_t m = 1; m <= 32; ++m) ASSERT_TRUE(table.Add(m)) << m;
  EXPECT_TRUE(table.Add(5));  // already there: no new entry needed
  EXPECT_FALSE(table.Add(33));  // the 33rd distinct message overflows
  EXPECT_FALSE(table.Contains(33));
  EXPECT_TRUE(table.Contains(32));
  EXPECT_TRUE(table.Add(kAllMessages));  // every message, and never an overflow after it
  EXPECT_TRUE(table.Add(34));
  EXPECT_TRUE(table.Contains(0x20A));
  EXPECT_FALSE(MessageTable().Contains(0x200));
  EXPECT_EQ(EventLogText({"ssc_Subclass", "Invalid window handle"}),
            "cMouseOver.ssc_Subclass: Invalid window handle");
}

}  // namespace
}  // namespace sysinfo::ui
