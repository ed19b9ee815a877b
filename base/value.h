// The value model: what a WMI property, registry value or file fact holds, and its text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace sysinfo {

// A value as the collectors see it: a WMI property, a registry value, a file's fact. `Unreadable`
// is a property the class does not define (or no object at all); `Null` is a property that exists
// without a value.
struct Unreadable {
  bool operator==(const Unreadable&) const = default;
};
struct Null {
  bool operator==(const Null&) const = default;
};

// A local time with its offset from UTC (east of Greenwich is positive).
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int utcOffsetMinutes = 0;
  bool operator==(const LocalTime&) const = default;
};

// A moment as the user's locale writes it and as its local time: the text report prints the
// text, which it always has, and the JSON report the time as ISO 8601, which programs can read.
struct Moment {
  std::string text;  // "Monday, December 7, 2026 9:44:33 PM"
  LocalTime local;
  bool operator==(const Moment&) const = default;
};

using SourceValue =
    std::variant<Unreadable, Null, std::string, std::int64_t, std::uint64_t, bool, double, Moment>;

inline bool IsUnreadable(const SourceValue& value) {
  return std::holds_alternative<Unreadable>(value);
}
inline bool IsNull(const SourceValue& value) { return std::holds_alternative<Null>(value); }

// Text, or Null when there is none.
inline SourceValue TextOrNull(const std::string& text) {
  if (text.empty()) return Null{};
  return text;
}

// The value, or Null where it is empty text (a time that could not be read).
inline SourceValue NullIfEmpty(SourceValue value) {
  if (const auto* text = std::get_if<std::string>(&value); text && text->empty()) return Null{};
  return value;
}

// The report text of a value: text unchanged, whole numbers in plain decimal, Booleans as
// "True"/"False", Null as empty text, a moment as its locale text. Nothing for an unreadable value
// (its line is left out).
std::optional<std::string> ValueText(const SourceValue& value);

// The value as a whole number when it is one (or decimal text of one); used by coded lines.
std::optional<std::int64_t> WholeNumber(const SourceValue& value);

}  // namespace sysinfo
