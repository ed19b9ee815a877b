// The check list's layout and scroll arithmetic, and its saved properties.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/check_list_layout.h"
#include "ui/check_list_properties.h"

namespace sysinfo::ui {
namespace {

constexpr double kPitch = 255;          // the template item's height in twips
constexpr double kClientHeight = 4080;  // sixteen rows of it

TEST(CheckListLayout, ScrollBarAppearsOnlyWhenRowsDoNotFit) {
  struct Case {
    int items;
    bool visible;
    int maximum;
  };
  const Case cases[] = {{0, false, 0}, {15, false, 0}, {16, false, 0}, {17, true, 2}, {40, true, 25}};
  for (const Case& c : cases) {
    const ScrollBarState bar = ScrollBarFor(c.items, kClientHeight, kPitch);
    EXPECT_EQ(bar.visible, c.visible) << c.items;
    EXPECT_EQ(bar.maximum, c.maximum) << c.items;
    if (bar.visible) {
      EXPECT_EQ(bar.minimum, 0);
      EXPECT_EQ(bar.smallChange, 1);
      EXPECT_EQ(bar.largeChange, 5);
    }
  }
  // A part row does not count as a row.
  EXPECT_EQ(VisibleRows(kClientHeight - 1, kPitch), 15);
  EXPECT_TRUE(ScrollBarFor(16, kClientHeight - 1, kPitch).visible);
}

TEST(CheckListLayout, ItemsAtTheBottomEdgeShowAndOneTwipLowerHide) {
  const double firstTop = 60;
  EXPECT_EQ(ItemTop(0, 0, kPitch, firstTop), 60);
  EXPECT_EQ(ItemTop(16, 0, kPitch, firstTop), 4140);
  EXPECT_EQ(ItemTop(16, 2, kPitch, firstTop), 3630);
  EXPECT_EQ(ItemTop(1, 2, kPitch, firstTop), -195);  // scrolled off the top
  EXPECT_TRUE(IsItemShown(kClientHeight, kClientHeight));
  EXPECT_FALSE(IsItemShown(kClientHeight + 1, kClientHeight));
  EXPECT_TRUE(IsItemShown(0, kClientHeight));
  EXPECT_FALSE(IsItemShown(-1, kClientHeight));
}

TEST(CheckListLayout, WheelStepsWithThreeLines) {
  struct Case {
    int value;
    int lines;
    int expected;
  };
  const Case cases[] = {
      {1, 3, 0}, {2, 3, 0}, {3, 3, 0},  // near the top a turn away goes straight to the top
      {4, 3, 3}, {9, 3, 8},             // further down it moves one item
      {0, -3, 1}, {3, -3, 4},           // a turn toward the user moves one item down
      {0, 3, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WheelScrollValue(c.value, c.lines), c.expected) << c.value << " " << c.lines;
  }
}

TEST(CheckListLayout, WidthAndLeftOfItems) {
  const double control = 2760;
  const double pixel = TwipsPerPixel(96);
  EXPECT_EQ(pixel, 15);
  EXPECT_EQ(TwipsPerPixel(120), 12);
  EXPECT_EQ(ItemWidth(1200, 700, control), 1900);
  EXPECT_EQ(ItemWidth(2500, 700, control), control);  // never wider than the control
  EXPECT_EQ(ItemLeft(0, 1900, control, 255, pixel), 75);
  // Right-aligned: five pixels short of the scroll bar, or of the edge when it is hidden.
  EXPECT_EQ(ItemLeft(1, 1900, control, 255, pixel), control - 1900 - 255 - 75);
  EXPECT_EQ(ItemLeft(1, 1900, control, 0, pixel), control - 1900 - 75);
}

const FontSpec kAmbient{"MS Sans Serif", 8.25, 400};

TEST(CheckListProperties, AnEmptyBagGivesTheReadDefaults) {
  const CheckListProperties p = ReadCheckListProperties(PropertyBag(), kAmbient);
  EXPECT_EQ(p.itemHeight, 275);
  EXPECT_EQ(p.alignment, 1);
  EXPECT_EQ(p.selected, 0);
  EXPECT_EQ(p.foreColor, kButtonText);
  EXPECT_EQ(p.backColor, kButtonFace);
  EXPECT_EQ(p.font, kAmbient);
  EXPECT_TRUE(p.multiSelect);
  EXPECT_TRUE(p.enabled);
  EXPECT_EQ(p.storedForeColor, kButtonFace);
  EXPECT_EQ(p.storedAlignment, 0);
  EXPECT_EQ(p.storedSelected, 1);
}

TEST(CheckListProperties, SavedPropertiesComeBack) {
  CheckListProperties saved = NewCheckListProperties(kAmbient);
  saved.alignment = 0;
  saved.foreColor = kButtonText;
  saved.font = FontSpec{"Verdana", 6.75, 700};
  saved.backColor = kWindowBackground;
  saved.multiSelect = false;
  saved.itemHeight = 300;
  saved.list = "first";
  PropertyBag bag;
  WriteCheckListProperties(bag, saved, kAmbient);
  const CheckListProperties read = ReadCheckListProperties(bag, kAmbient);
  EXPECT_EQ(read.alignment, 0);
  EXPECT_EQ(read.foreColor, kButtonText);
  EXPECT_EQ(read.font, (FontSpec{"Verdana", 6.75, 700}));
  EXPECT_EQ(read.backColor, kWindowBackground);
  EXPECT_FALSE(read.multiSelect);
  EXPECT_EQ(read.itemHeight, 300);
  EXPECT_EQ(read.list, "first");
}

TEST(CheckListProperties, ValuesEqualToTheirWriteDefaultAreNotStored) {
  PropertyBag bag;
  WriteCheckListProperties(bag, NewCheckListProperties(kAmbient), kAmbient);
  // Only the first text colour differs from its write default (0) on a new control.
  EXPECT_EQ(bag.Size(), 1u);
  // Black text is the write default, so it is not stored and reads back as button text.
  CheckListProperties black = NewCheckListProperties(kAmbient);
  black.foreColor = 0;
  PropertyBag blackBag;
  WriteCheckListProperties(blackBag, black, kAmbient);
  EXPECT_EQ(ReadCheckListProperties(blackBag, kAmbient).foreColor, kButtonText);
}

TEST(CheckListProperties, NumbersOutOfRangeOrOfTheWrongKindReadAsZero) {
  // A bag edited by hand may hold anything: a real too large for a whole-number property, NaN
  // or a number too wide must read as zero, never convert with undefined behaviour.
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
