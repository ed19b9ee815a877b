#include <gtest/gtest.h>

#include <map>

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

// A settings file in memory that may refuse every write.
struct MemorySettings final : SettingsStore {
  std::map<std::string, std::string, std::less<>> values;
  bool writable = true;
  std::string ReadIni(std::string_view, std::string_view key) override {
    const auto found = values.find(key);
    return found == values.end() ? "" : found->second;
  }
  bool WriteIni(std::string_view, std::string_view key, std::string_view value) override {
    if (writable) values[std::string(key)] = value;
    return writable;
  }
};

TEST(Settings, UserFileTakesOverWhenTheProgramsCannotBeWritten) {
  for (const bool besideWritable : {true, false}) {
    for (const bool userFileExists : {false, true}) {
      SCOPED_TRACE(testing::Message() << besideWritable << userFileExists);
      auto beside = std::make_unique<MemorySettings>();
      beside->values = {{"CPU", "True"}, {"DetailLevel", "2"}};
      beside->writable = besideWritable;
      auto user = std::make_unique<MemorySettings>();
      const MemorySettings& userFile = *user;
      LayeredSettings settings(std::move(beside), std::move(user), userFileExists);
      EXPECT_TRUE(settings.WriteIni(kSettingsSection, kDetailLevelKey, "0"));
      EXPECT_EQ(settings.ReadIni(kSettingsSection, kDetailLevelKey), "0");  // the last one written
      EXPECT_EQ(settings.ReadIni(kSettingsSection, "CPU"), "True");  // kept beside the program only
      EXPECT_EQ(userFile.values.size(), besideWritable && !userFileExists ? 0u : 1u);
    }
  }
}

}  // namespace
}  // namespace sysinfo
