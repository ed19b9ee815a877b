// The check list's layout arithmetic and the rules of its saved properties.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ui/check_list_layout.h"
#include "ui/check_list_properties.h"

namespace sysinfo::ui {
namespace {

constexpr double kPitch = 255;  // the template item's height in twips
constexpr double kClientHeight = 4080;  // sixteen rows of it

TEST(CheckListLayout, ScrollBarAppearsOnlyWhenRowsDoNotFit) {
  struct Case {
    int items;
    double clientHeight;
    int maximum;  // 0: no scroll bar
  };
  const Case cases[] = {{0, kClientHeight, 0},
                        {16, kClientHeight, 0},
                        {17, kClientHeight, 2},
                        {40, kClientHeight, 25},
                        {16, kClientHeight - 1, 2}};  // a part row is no row
  for (const Case& c : cases) {
    const ScrollBarState bar = ScrollBarFor(c.items, c.clientHeight, kPitch);
    EXPECT_EQ(bar.visible ? bar.maximum : 0, c.maximum) << c.items << " in " << c.clientHeight;
    EXPECT_EQ(bar.visible, c.maximum != 0);
    EXPECT_EQ((std::vector<int>{bar.minimum, bar.smallChange, bar.largeChange}),
              (std::vector<int>{0, 1, 5}));
  }
}

TEST(CheckListLayout, PositionsAndWheelSteps) {
  EXPECT_EQ(ItemTop(16, 2, kPitch, 60), 3630);
  EXPECT_EQ(ItemTop(1, 2, kPitch, 60), -195);  // scrolled off the top
  // Items at the bottom edge show; one twip lower, or above the top, they hide.
  EXPECT_TRUE(IsItemShown(kClientHeight, kClientHeight));
  EXPECT_FALSE(IsItemShown(kClientHeight + 1, kClientHeight));
  EXPECT_TRUE(IsItemShown(0, kClientHeight));
  EXPECT_FALSE(IsItemShown(-1, kClientHeight));
  // Near the top a turn away goes straight to the top; elsewhere a turn moves one item.
  const int wheel[][3] = {{1, 3, 0},  {3, 3, 0},  {4, 3, 3}, {9, 3, 8},
                          {0, -3, 1}, {3, -3, 4}, {0, 3, 0}};
  for (const auto& [value, lines, expected] : wheel)
    EXPECT_EQ(WheelScrollValue(value, lines), expected) << value;
  // A focus row moved by the keyboard scrolls the list only as far as it must to show it whole.
  const int showing[][4] = {
      {3, 5, 16, 3}, {10, 2, 16, 2}, {17, 2, 16, 2}, {18, 2, 16, 3}, {20, 0, 16, 5}};
  for (const auto& [row, value, rows, expected] : showing)
    EXPECT_EQ(ScrollValueShowing(row, value, rows), expected) << row << " from " << value;
  EXPECT_EQ(TwipsPerPixel(96), 15);
  EXPECT_EQ(TwipsPerPixel(120), 12);
  EXPECT_EQ(ItemWidth(1200, 700, 2760), 1900);
  EXPECT_EQ(ItemWidth(2500, 700, 2760), 2760);  // never wider than the control
  EXPECT_EQ(ItemLeft(0, 1900, 2760, 255, 15), 75);
  // Right-aligned: five pixels short of the scroll bar, or of the edge when it is hidden.
  EXPECT_EQ(ItemLeft(1, 1900, 2760, 255, 15), 2760 - 1900 - 255 - 75);
  EXPECT_EQ(ItemLeft(1, 1900, 2760, 0, 15), 2760 - 1900 - 75);
}

const FontSpec kAmbient{"MS Sans Serif", 8.25, 400};

TEST(CheckListProperties, OnlyValuesUnlikeTheirWriteDefaultsAreStored) {
  // A new control and one read from an empty bag differ from the write defaults only in the
  // first text colour (read default button text, write default 0).
  for (const CheckListProperties& p :
       {NewCheckListProperties(kAmbient), ReadCheckListProperties({}, kAmbient)}) {
    PropertyBag bag;
    WriteCheckListProperties(bag, p, kAmbient);
    EXPECT_EQ(bag.Size(), 1u);
  }
  // So black text is not stored, and reads back as button text.
  CheckListProperties black = NewCheckListProperties(kAmbient);
  black.foreColor = 0;
  PropertyBag blackBag;
  WriteCheckListProperties(blackBag, black, kAmbient);
  EXPECT_EQ(ReadCheckListProperties(blackBag, kAmbient).foreColor, kButtonText);
}

TEST(CheckListProperties, NumbersOutOfRangeOrOfTheWrongKindReadAsZero) {
  // A bag edited by hand may hold anything; found by fuzzing: a huge real for a whole-number
  // property used to be converted with undefined behaviour.
  PropertyBag bag;
  bag.Write("Alignment", 3.79e146, std::int64_t{-1});
  bag.Write("Selected", std::nan(""), std::int64_t{-1});
  bag.Write("BorderStyle", std::int64_t{1} << 40, std::int64_t{-1});
  bag.Write("ForeColor", -1.0, std::int64_t{-1});
  bag.Write("MultiSelect", 0.5, std::int64_t{-1});
  bag.Write("List", std::int64_t{7}, std::int64_t{-1});
  const CheckListProperties read = ReadCheckListProperties(bag, kAmbient);
  EXPECT_EQ(read.alignment, 0);
  EXPECT_EQ(read.selected, 0);
  EXPECT_EQ(read.borderStyle, 0);
  EXPECT_EQ(read.foreColor, 0u);
  EXPECT_TRUE(read.multiSelect);  // any non-zero number is a set flag
  EXPECT_EQ(read.list, "");
}

}  // namespace
}  // namespace sysinfo::ui
