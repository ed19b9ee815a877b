// settings.ini: stored ticks, the stored level, the user's file when the program's is unwritable.
#include <gtest/gtest.h>

#include "app/settings.h"

namespace sysinfo {
namespace {

TEST(Settings, StoredTicks) {
  struct Case {
    const char* text;
    std::optional<bool> tick;
  };
  // clang-format off
  const Case cases[] = {
      {"True", true}, {"False", false}, {"TRUE", true}, {"false", false}, {" True ", true}, {"1", true},
      {"-1", true}, {"0", false}, {"2.5", true}, {"0.0", false}, {"", std::nullopt}, {"yes", std::nullopt},
      {"Truely", std::nullopt}, {"1x", std::nullopt}, {"-", std::nullopt}, {".", std::nullopt}};
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(ParseBoolean(c.text), c.tick) << '"' << c.text << '"';
  EXPECT_EQ(BooleanText(true), "True");
  EXPECT_EQ(BooleanText(false), "False");
  EXPECT_EQ(ParseBoolean(BooleanText(false)), false);
}

TEST(Settings, RedactWordsAreTheTrimmedNonEmptyPartsBetweenSemicolons) {
  EXPECT_EQ(ParseRedactWords(" Bobby;;Project Falcon ; x;"),
            (std::vector<std::string>{"Bobby", "Project Falcon", "x"}));
  EXPECT_EQ(ParseRedactWords(" ; "), std::vector<std::string>());
}

TEST(Settings, StoredDetailLevel) {
  struct Case {
    const char* text;
    int index;
  };
  const Case cases[] = {
      {"", 0},  // never saved: Basic
      {"Advanced", 0},  // not a number: Basic
      {"0", 0},        {"1", 1},   {"2", 2},
      {" 2 ", 2},      {"7", 1},  // no such button: the window's own choice, Moderate, stays
      {"-1", 1},       {"3", 1},   {"1.4", 1},
      {"1.5", 2},      {"2.5", 2},  // rounded to a whole number, halves to even
  };
  for (const Case& c : cases)
    EXPECT_EQ(RestoredLevelIndex(c.text), c.index) << '"' << c.text << '"';
}

// One setting in a file in memory, kept by the test, that may refuse every write.
struct OneSetting final : SettingsStore {
  OneSetting(std::string& stored, bool canWrite) : value(stored), writable(canWrite) {}
  std::string ReadIni(std::string_view, std::string_view) override { return value; }
  bool WriteIni(std::string_view, std::string_view, std::string_view text) override {
    if (writable) value = text;
    return writable;
  }
  std::string& value;
  bool writable;
};

TEST(Settings, UserFileTakesOverWhenTheProgramsCannotBeWritten) {
  for (const bool besideWritable : {true, false}) {
    for (const bool userFileExists : {false, true}) {
      SCOPED_TRACE(testing::Message() << besideWritable << userFileExists);
      std::string beside = "2", user;
      LayeredSettings settings(std::make_unique<OneSetting>(beside, besideWritable),
                               std::make_unique<OneSetting>(user, true), userFileExists);
      EXPECT_EQ(settings.ReadIni(kSettingsSection, kDetailLevelKey),
                "2");  // none in the user's file
      EXPECT_TRUE(settings.WriteIni(kSettingsSection, kDetailLevelKey, "0"));
      EXPECT_EQ(settings.ReadIni(kSettingsSection, kDetailLevelKey), "0");  // the last one written
      EXPECT_EQ(user, besideWritable && !userFileExists ? "" : "0");
    }
  }
}

}  // namespace
}  // namespace sysinfo
