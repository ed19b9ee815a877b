// JSON read as hostile input: what is refused, where, in one short line; numbers by value.
#include <gtest/gtest.h>

#include "report/json_reader.h"
#include "base/wtf8.h"

namespace sysinfo {
namespace {

std::string Refusal(std::string_view text, std::string_view file = "r.json") {
  const JsonRead read = ReadJsonText(text, file, {}, nullptr);
  return read.Failed() ? read.error->message : "";
}

TEST(JsonReader, RefusesWithThePlaceAndTheReason) {
  const std::string deep = std::string(10'000, '[') + std::string(10'000, ']');
  const std::pair<std::string, const char*> cases[] = {
      {R"({"a": [1, 2.5e3, -0, true, null, "\u00e9\ud83d\ude00"], "b": 18446744073709551615})", ""},
      {"[1e23, -9223372036854775808, 0.1, 4.113609523200833e+16]", ""},
      {"[1,\n  1e400]", "line 2, column 3: a number out of range"},
      {"[-1e400]", "column 2: a number out of range"},
      {"[" + std::string(10'000'000, '7') + "]", "column 2: a number longer than 64 characters"},
      {"18446744073709551616", "column 1: a whole number past 64 bits"},
      {deep, "column 17: nested more than 16 levels deep"},
      {"{\"k\": \"" + std::string(10'000'000, 'a'),
       "column 7: not JSON: a string without its closing quote"},
      {"{\"a\": 1,\n \"a\": 2}", "line 2, column 2: a second member named \"a\""},
      {"\"\xC3\x28\"", "column 2: bytes that are not UTF-8"},
      {"\"\xED\xA0\x80\"", "column 2: bytes that are not UTF-8"},
      {R"(["\ud800x"])", "column 3: a lone surrogate escape"},
      {"[\"a\tb\"]", "column 4: not JSON: a control character"},
      {"[1 2]", "column 4: not JSON: ',' or ']' expected"},
      {"[01]", "column 2: not JSON: a value expected"},
      {"{} x", "column 4: not JSON: more text after the document"},
      {"", "column 1: not JSON: the text ends"},
  };
  for (const auto& [text, why] : cases) {
    const std::string refusal = Refusal(text);
    if (*why == '\0') {
      EXPECT_EQ(refusal, "") << text;
    } else {
      EXPECT_EQ(refusal.rfind("\"r.json\": line "), 0u) << refusal;
      EXPECT_NE(refusal.find(why), std::string::npos) << refusal;
      EXPECT_LE(refusal.size(), 200u) << refusal;
    }
  }
}

TEST(JsonReader, ARefusalIsOneShortPrintableLine) {
  const std::string file = "C:\\" + std::string(300, 'd') + "\n\x1b\xFF\\r.json";
  const std::string name = std::string(500, 'n') + "\r\n";
  const std::string refusal = Refusal("{\"" + name + "\": 1, \"" + name + "\": 2}", file);
  EXPECT_LE(refusal.size(), 200u) << refusal;
  EXPECT_NE(refusal.find("r.json\": line 1, column"), std::string::npos) << refusal;
  for (std::size_t i = 0; i < refusal.size(); i += Utf8CharacterLength(refusal.substr(i))) {
    ASSERT_GE(static_cast<unsigned char>(refusal[i]), 0x20) << refusal;
    ASSERT_GT(Utf8CharacterLength(refusal.substr(i)), 0u) << refusal;
  }
}

TEST(JsonReader, NumbersAreTheSameWhenTheirValuesAre) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"1", "1.0", true},
      {"1", "1e0", true},
      {"-0", "0.0", true},
      {"100", "1e2", true},
      {"0.5", "5e-1", true},
      {"9007199254740993", "9007199254740992", false},
      {"18446744073709551615", "18446744073709551614", false},
      {"18446744073709551615", "1.8446744073709551616e19", false},
      {"1", "\"1\"", false},
      {"[1, {\"a\": 2}]", "[1.0, {\"a\": 2e0}]", true},
      {"[1, {\"a\": 2}]", "[1, {\"b\": 2}]", false},
      {"[[1], 2]", "[[1, 2]]", false},
  };
  for (const auto& [a, b, same] : cases) {
    const JsonDocument left = ParseJson(a, {}).value;
    const JsonDocument right = ParseJson(b, {}).value;
    EXPECT_EQ(SameJson(left.Root(), right.Root()), same) << a << " " << b;
    if (left.Root().Is(JsonKind::Number) && right.Root().Is(JsonKind::Number)) {
      EXPECT_EQ(NumberKey(left.Root().Number()) == NumberKey(right.Root().Number()), same) << a;
    }
  }
}

}  // namespace
}  // namespace sysinfo
