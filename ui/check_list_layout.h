// The check list's arithmetic in twips: rows, scroll bar, wheel and item widths.
#pragma once

// The check list's arithmetic. Positions and sizes are in twips (1/1440 inch); the window code
// converts them with the screen's real pixels per inch.
namespace sysinfo::ui {

inline constexpr double kTwipsPerInch = 1440.0;

// Twips in one pixel for a screen resolution (15 at 96 dpi).
constexpr double TwipsPerPixel(int pixelsPerInch) {
  return pixelsPerInch > 0 ? kTwipsPerInch / pixelsPerInch : 15.0;
}

// How many whole rows of `pitch` fit into the control's client height.
int VisibleRows(double clientHeight, double pitch);

struct ScrollBarState {
  bool visible = false;
  int minimum = 0;
  int maximum = 0;
  int smallChange = 1;
  int largeChange = 5;
};

// The scroll bar for `itemCount` rows: hidden while every row fits, else with a maximum one
// past the number of rows that do not fit.
ScrollBarState ScrollBarFor(int itemCount, double clientHeight, double pitch);

// The top of item `index` when the list is scrolled to `scrollValue`.
constexpr double ItemTop(int index, int scrollValue, double pitch, double firstTop) {
  return (index - scrollValue) * pitch + firstTop;
}

// An item is shown when its top lies inside the control, its bottom edge included.
constexpr bool IsItemShown(double top, double controlHeight) {
  return top >= 0 && top <= controlHeight;
}

// The scroll value nearest to `scrollValue` that shows row `index` whole, `rows` rows fitting.
int ScrollValueShowing(int index, int scrollValue, int rows);

// The scroll value after one wheel notification of `lines` (positive: away from the user).
// One item per notification, except near the top, where it goes straight to the first item.
int WheelScrollValue(int scrollValue, int lines);

// An item's width: its caption's width plus the font weight taken as twips (room for the box),
// but never wider than the control.
double ItemWidth(double captionWidth, int fontWeight, double controlWidth);

// An item's left edge. Right-aligned items (alignment 1) end five pixels short of the scroll bar
// when it shows, else five pixels short of the control's right edge.
double ItemLeft(int alignment, double itemWidth, double controlWidth, double visibleScrollBarWidth,
                double twipsPerPixel);

}  // namespace sysinfo::ui
