// Windows language codes and their English names.
#include <gtest/gtest.h>

#include "collectors/os_language.h"

namespace sysinfo {
namespace {

TEST(LanguageName, FindsExactCodesOnly) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"1033", "English - United States"}, {"2057", "English - United Kingdom"}, {"3082", "Spanish - International Sort"},
      {"1025", "Arabic - Saudi Arabia"},  // not 10250's name, which starts with the same digits
      {"10250", "Spanish - Peru"}, {"2049", "Arabic - Iraq"}, {"20490", "Spanish - Puerto Rico"}, {"1", "Arabic"},
      {"4", "Chinese (Simplified)- China"}, {"9", "English"}, {"1069", "Basque (Basque) - Basque"},
      {" 1031 ", "German - Germany"},
      {"1064", "1064"}, {"01033", "01033"}, {"", ""}, {"abc", "abc"}};  // absent from the table: the code itself
  // clang-format on
  for (const auto& [code, name] : cases) EXPECT_EQ(LanguageName(code), name) << code;
}

}  // namespace
}  // namespace sysinfo
