#include <gtest/gtest.h>

#include "app/settings.h"

namespace sysinfo {
namespace {

TEST(Settings, StoredTicks) {
  struct Case {
    const char* text;
    std::optional<bool> tick;
  };
  const Case cases[] = {
      {"True", true},   {"False", false}, {"TRUE", true},  {"false", false}, {" True ", true},
      {"1", true},      {"-1", true},     {"0", false},    {"2.5", true},    {"0.0", false},
      {"", std::nullopt}, {"yes", std::nullopt}, {"Truely", std::nullopt}, {"1x", std::nullopt},
      {"-", std::nullopt}, {".", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseBoolean(c.text), c.tick) << '"' << c.text << '"';
  EXPECT_EQ(BooleanText(true), "True");
  EXPECT_EQ(BooleanText(false), "False");
  EXPECT_EQ(ParseBoolean(BooleanText(false)), false);
}

TEST(Settings, StoredDetailLevel) {
  struct Case {
    const char* text;
    int index;
  };
  const Case cases[] = {
      {"", 0},          // never saved: Basic
      {"Advanced", 0},  // not a number: Basic
      {"0", 0},  {"1", 1}, {"2", 2}, {" 2 ", 2},
      {"7", 1},         // no such button: the window's own choice, Moderate, stays
      {"-1", 1},  {"3", 1},
      {"1.4", 1}, {"1.5", 2}, {"2.5", 2},  // rounded to a whole number, halves to even
  };
  for (const Case& c : cases) EXPECT_EQ(RestoredLevelIndex(c.text), c.index) << '"' << c.text << '"';
}

}  // namespace
}  // namespace sysinfo
