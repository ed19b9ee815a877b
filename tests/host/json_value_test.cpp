// Report values as JSON, and bytes that are not UTF-8 in the document's text.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/json_value.h"

namespace sysinfo {
namespace {

using namespace std::string_literals;

// What a reader of the JSON report gets for each kind of value the collectors hand over.
TEST(JsonValue, EveryValueKindIsWrittenAsItsJsonKind) {
  const std::tuple<const char*, SourceValue, std::string> cases[] = {
      {"Null", Null{}, "null"},
      {"true", true, "true"},
      {"false", false, "false"},
      {"largest unsigned 64-bit", std::numeric_limits<std::uint64_t>::max(),
       "18446744073709551615"},
      {"2^53 + 1, which a double would round", std::uint64_t{9007199254740993}, "9007199254740993"},
      {"most negative 64-bit", std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
      {"zero", std::int64_t{0}, "0"},
      {"real", 2.5, "2.5"},
      {"a moment: its local time as ISO 8601, not the locale's words",
       Moment{"Monday, December 7, 2026 9:44:33 PM", {2026, 12, 7, 21, 44, 33, -300}},
       "\"2026-12-07T21:44:33-05:00\""},
      {"empty text", std::string(), "\"\""},
      {"quotes and backslashes", std::string(R"(C:\Program Files\"quoted")"),
       R"("C:\\Program Files\\\"quoted\"")"},
      {"control characters",
       std::string("tab\tline\nnul\x01"
                   "end",
                   16),
       R"("tab\tline\nnul\u0001end")"},
      {"non-ASCII UTF-8 stays UTF-8",
       std::string("Gr\xC3\xBC\xC3\x9F"
                   "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"),
       "\"Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\""},
  };
  for (const auto& [what, value, written] : cases) {
    const auto json = JsonValue(value);
    ASSERT_TRUE(json.has_value()) << what;
    EXPECT_EQ(JsonText(*json), written) << what;
    // A reader parsing the text gets the same value back, of the same kind.
    EXPECT_EQ(nlohmann::ordered_json::parse(JsonText(*json)), *json) << what;
  }
  EXPECT_FALSE(JsonValue(Unreadable{}).has_value()) << "an unreadable value is left out";
}

// A registry value or file name that is not UTF-8 (a hostile or broken one) must not cost the
// reader the whole document: each bad byte becomes U+FFFD and the rest is kept.
TEST(JsonText, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"lone 0xFF", "a\xFF" + "b"s, "\"a" + replacement + "b\""},
      {"sequence cut short at the end", "x\xE6\x97", "\"x" + replacement + "\""},
      {"overlong slash", "\xC0\xAF", "\"" + replacement + replacement + "\""},
      {"ANSI e-acute in good text", "caf\xE9 \xC3\xA9", "\"caf" + replacement + " \xC3\xA9\""},
      {"name with a lone surrogate", "a\xED\xA0\x80" + "b"s, "\"a" + replacement + "b\""},
  };
  for (const auto& [what, input, written] : cases) {
    nlohmann::ordered_json document{{"Name", input}};
    std::string text;
    ASSERT_NO_THROW(text = JsonText(document)) << what;
    const auto parsed = nlohmann::ordered_json::parse(text);
    EXPECT_EQ(nlohmann::ordered_json(parsed.at("Name")).dump(), written) << what;
  }
  // A bad key is mended the same way.
  nlohmann::ordered_json badKey{{std::string("key\xFF"), 1}};
  EXPECT_NO_THROW(nlohmann::ordered_json::parse(JsonText(badKey)));
}

TEST(Iso8601, DateTimeAndOffsetFromUtc) {
  const std::tuple<LocalTime, const char*> cases[] = {
      {{2024, 3, 5, 14, 7, 9, 60}, "2024-03-05T14:07:09+01:00"},
      {{2001, 1, 1, 0, 0, 0, -210}, "2001-01-01T00:00:00-03:30"},
      {{2030, 6, 15, 8, 30, 0, 345}, "2030-06-15T08:30:00+05:45"},
  };
  for (const auto& [time, text] : cases) {
    EXPECT_EQ(Iso8601(time), text);
    EXPECT_EQ(ParseIso8601(text), time) << text;
  }
}

// A report of layout 1 and one of layout 2 spell one file time differently; the comparison must
// see the same wall clock, and nothing else as a time.
TEST(Iso8601, TheSameLocalTimeInTheLongSpelling) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"2026-12-07T21:44:33+00:00", "Monday, December 7, 2026 9:44:33 PM", true},
      {"Monday, December 7, 2026 9:44:33 PM", "2026-12-07T21:44:33-08:00", true},
      {"2026-12-07T00:05:00+01:00", "Monday, December 7, 2026 12:05:00 AM", true},
      {"2026-12-07T12:05:00+01:00", "Monday, December 7, 2026 12:05:00 PM", true},
      {"2026-06-01T08:00:01+02:00", "Monday, 1 June 2026 08:00:01", true},
      {"2026-12-07T21:44:33Z", "December 7, 2026 21:44:33", true},
      {"2026-12-07T21:44:33+00:00", "Monday, December 7, 2026 9:44:33 AM", false},
      {"2026-12-07T21:44:33+00:00", "Monday, December 8, 2026 9:44:33 PM", false},
      {"2026-12-07T21:44:33+00:00", "2026-12-07T21:44:33+01:00", false},  // two instants
      {"2026-12-07T21:44:33+00:00", "Monday, December 7, 2026 9:44:33 PM extra", false},
      {"2026-12-07T21:44:33+00:00", "Monday, December 7, 2026 13:44:33 PM", false},
      {"2026-12-07T21:44:33", "Monday, December 7, 2026 9:44:33 PM", false},  // no offset
      {"Monday, December 7, 2026 9:44:33 PM", "Monday, December 7, 2026 9:44:33 PM", false},
  };
  for (const auto& [a, b, same] : cases)
    EXPECT_EQ(SameLocalTimeSpelledTwoWays(a, b), same) << a << " | " << b;
}

}  // namespace
}  // namespace sysinfo
