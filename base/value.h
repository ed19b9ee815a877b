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
using SourceValue =
    std::variant<Unreadable, Null, std::string, std::int64_t, std::uint64_t, bool, double>;

inline bool IsUnreadable(const SourceValue& value) {
  return std::holds_alternative<Unreadable>(value);
}
inline bool IsNull(const SourceValue& value) { return std::holds_alternative<Null>(value); }

// Text, or Null when there is none.
inline SourceValue TextOrNull(const std::string& text) {
  if (text.empty()) return Null{};
  return text;
}

// The report text of a value: text unchanged, whole numbers in plain decimal, Booleans as
// "True"/"False", Null as empty text. Nothing for an unreadable value (its line is left out).
std::optional<std::string> ValueText(const SourceValue& value);

// The value as a whole number when it is one (or decimal text of one); used by coded lines.
std::optional<std::int64_t> WholeNumber(const SourceValue& value);

}  // namespace sysinfo
