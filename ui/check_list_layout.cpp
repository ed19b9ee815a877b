// The check list's arithmetic: visible rows, scroll bar state, wheel steps, item widths.
#include "ui/check_list_layout.h"

namespace sysinfo::ui {

int VisibleRows(double clientHeight, double pitch) {
  if (pitch <= 0) return 0;
  return static_cast<int>(clientHeight / pitch);  // truncation toward zero
}

ScrollBarState ScrollBarFor(int itemCount, double clientHeight, double pitch) {
  ScrollBarState state;
  const int rows = VisibleRows(clientHeight, pitch);
  if (rows < itemCount) {
    state.visible = true;
    state.maximum = itemCount - rows + 1;
  }
  return state;
}

int ScrollValueShowing(int index, int scrollValue, int rows) {
  if (index < scrollValue) return index;
  if (rows > 0 && index >= scrollValue + rows) return index - rows + 1;
  return scrollValue;
}

int WheelScrollValue(int scrollValue, int lines) {
  if (scrollValue - lines >= 1) return lines >= 0 ? scrollValue - 1 : scrollValue + 1;
  return 0;
}

double ItemWidth(double captionWidth, int fontWeight, double controlWidth) {
  const double width = captionWidth + fontWeight;
  return width < controlWidth ? width : controlWidth;
}

double ItemLeft(int alignment, double itemWidth, double controlWidth, double visibleScrollBarWidth,
                double twipsPerPixel) {
  const double margin = 5 * twipsPerPixel;
  if (alignment == 1) return controlWidth - itemWidth - visibleScrollBarWidth - margin;
  return margin;
}

}  // namespace sysinfo::ui
