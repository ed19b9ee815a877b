// The mouse tracker's portable part: message tables, error texts and its state machine.
#include "ui/mouse_over.h"

namespace sysinfo::ui {

bool MessageTable::Add(std::uint32_t message) {
  if (message == kAllMessages) {
    count_ = -1;
    return true;
  }
  if (count_ < 0 || Contains(message)) return true;
  if (count_ + 1 > kMessageEntries) return false;
  entries_[count_++] = message;
  return true;
}

bool MessageTable::Contains(std::uint32_t message) const {
  if (count_ < 0) return true;
  for (int i = 0; i < count_; ++i) {
    if (entries_[i] == message) return true;
  }
  return false;
}

std::string ErrorBoxTitle(const TrackerError& error) {
  return "Error in cMouseOver." + error.routine;
}

std::string ErrorBoxText(const TrackerError& error) { return error.message + "."; }

std::string EventLogText(const TrackerError& error) {
  return "cMouseOver." + error.routine + ": " + error.message;
}

MouseOverState::MouseOverState(TrackerClock& clock, int wheelLinesSetting)
    : clock_(clock), wheelLines_(wheelLinesSetting == 0 ? 1 : wheelLinesSetting) {}

void MouseOverState::Attach(WindowId window, unsigned enterMs, unsigned hoverMs,
                            std::intptr_t extra) {
  records_.push_back(Record{window, hoverMs, enterMs, extra});
}

bool MouseOverState::Detach(WindowId window) {
  for (std::size_t i = 1; i < records_.size(); ++i) {
    if (records_[i].window == window) {
      if (i == current_) Stop();
      records_[i].window = 0;
      return true;
    }
  }
  return false;
}

void MouseOverState::Raise(const std::function<void(WindowId, std::intptr_t)>& event) const {
  if (event) event(records_[current_].window, records_[current_].extra);
}

void MouseOverState::EndVisit() {
  current_ = 0;
  entered_ = false;
  hovered_ = false;
}

void MouseOverState::OnMouseMove(WindowId window) {
  if (current_ && records_[current_].window != window) {
    // Moving straight onto another attached window ends this visit, entered or not.
    clock_.StopTimer(records_[current_].window);
    Raise(events.MouseLeave);
    EndVisit();
  }
  if (current_) return;
  for (std::size_t i = 1; i < records_.size(); ++i) {
    if (records_[i].window != window || window == 0) continue;
    // When several records hold the window, the last one wins.
    current_ = i;
    startTick_ = clock_.TickCount();
    entered_ = false;
    hovered_ = false;
    clock_.StartTimer(window);
  }
}

void MouseOverState::OnTimer() {
  if (!current_) return;
  const Record& record = records_[current_];
  if (clock_.WindowUnderPointer() != record.window) {
    if (entered_) Raise(events.MouseLeave);
    clock_.StopTimer(record.window);
    EndVisit();
    return;
  }
  const std::uint32_t rested = clock_.TickCount() - startTick_;
  if (!entered_) {
    if (rested > record.enterMs) {
      entered_ = true;
      Raise(events.MouseEnter);
    }
  } else if (!hovered_ && rested > record.hoverMs) {
    hovered_ = true;
    Raise(events.MouseHover);
  }
}

void MouseOverState::OnWheel(std::int32_t wParam) {
  if (!current_ || !events.MouseScroll) return;
  // Only the direction counts: away from the user scrolls up by the system's line count.
  const int lines = wParam <= 0 ? -wheelLines_ : wheelLines_;
  events.MouseScroll(records_[current_].window, records_[current_].extra, lines);
}

void MouseOverState::Stop() {
  if (!current_) return;
  clock_.StopTimer(records_[current_].window);
  EndVisit();
}

}  // namespace sysinfo::ui
