// Report values as JSON, the document as UTF-8 text, and local times as ISO 8601.
#include "base/json_value.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "base/wtf8.h"

namespace sysinfo {

std::optional<nlohmann::ordered_json> JsonValue(const SourceValue& value) {
  if (IsUnreadable(value)) return std::nullopt;
  if (IsNull(value)) return nlohmann::ordered_json(nullptr);
  return std::visit(
      [](const auto& held) -> std::optional<nlohmann::ordered_json> {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, Unreadable> || std::is_same_v<Held, Null>) {
          return std::nullopt;  // handled above
        } else if constexpr (std::is_same_v<Held, Moment>) {
          return nlohmann::ordered_json(Iso8601(held.local));
        } else {
          // nlohmann keeps std::int64_t and std::uint64_t as their own kinds, so the largest
          // values are written digit for digit.
          return nlohmann::ordered_json(held);
        }
      },
      value);
}

namespace {

// Names reach the document as WTF-8; a reader gets UTF-8, with one U+FFFD per lone surrogate.
// Keys are the program's own property and column names, so only values are looked at.
void MakeUtf8(nlohmann::ordered_json& node) {
  if (node.is_string()) {
    auto& text = node.get_ref<std::string&>();
    text = Wtf8ToUtf8(text);
  }
  if (node.is_structured()) {
    for (auto& child : node) MakeUtf8(child);
  }
}

}  // namespace

std::string JsonText(const nlohmann::ordered_json& document) {
  nlohmann::ordered_json utf8 = document;
  MakeUtf8(utf8);
  return utf8.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string Iso8601(const LocalTime& time) {
  const int offset = std::abs(time.utcOffsetMinutes);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", time.year,
                time.month, time.day, time.hour, time.minute, time.second,
                time.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

namespace {

// Reads a text from left to right; every step fails once one has.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return text_.empty(); }
  bool Take(std::string_view expected) {
    if (!text_.starts_with(expected)) return false;
    text_.remove_prefix(expected.size());
    return true;
  }
  // A number of `fewest` to `most` digits.
  std::optional<int> Number(std::size_t fewest, std::size_t most) {
    std::size_t count = 0;
    int number = 0;
    while (count < most && count < text_.size() && text_[count] >= '0' && text_[count] <= '9') {
      number = number * 10 + (text_[count] - '0');
      ++count;
    }
    if (count < fewest) return std::nullopt;
    text_.remove_prefix(count);
    return number;
  }
  // The letters up to the next character that is none.
  std::string_view Word() {
    std::size_t count = 0;
    while (count < text_.size() && ((text_[count] >= 'A' && text_[count] <= 'Z') ||
                                    (text_[count] >= 'a' && text_[count] <= 'z'))) {
      ++count;
    }
    const std::string_view word = text_.substr(0, count);
    text_.remove_prefix(count);
    return word;
  }

 private:
  std::string_view text_;
};

constexpr std::array<std::string_view, 12> kMonths{"January",   "February", "March",    "April",
                                                   "May",       "June",     "July",     "August",
                                                   "September", "October",  "November", "December"};

std::optional<int> MonthNumber(std::string_view name) {
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (kMonths[i] == name) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

bool Plausible(const LocalTime& time) {
  return time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31 &&
         time.hour <= 23 && time.minute <= 59 && time.second <= 60;
}

// "9:44:33 PM", "12:05:00 AM" or "21:44:33", to the end of the text.
bool ReadClock(Cursor& read, LocalTime& time) {
  const auto hour = read.Number(1, 2);
  const bool clock = hour && read.Take(":");
  const auto minute = clock ? read.Number(2, 2) : std::nullopt;
  const auto second = minute && read.Take(":") ? read.Number(2, 2) : std::nullopt;
  if (!second) return false;
  time.hour = *hour;
  time.minute = *minute;
  time.second = *second;
  if (read.AtEnd()) return true;
  const bool afternoon = read.Take(" PM");
  if (!afternoon && !read.Take(" AM")) return false;
  if (time.hour < 1 || time.hour > 12) return false;
  time.hour = time.hour % 12 + (afternoon ? 12 : 0);
  return read.AtEnd();
}

// The ISO shape at a glance: "2024-03-05T".
bool LooksLikeIso8601(std::string_view text) {
  return text.size() >= 20 && text[4] == '-' && text[7] == '-' && text[10] == 'T';
}

}  // namespace

std::optional<LocalTime> ParseIso8601(std::string_view text) {
  Cursor read(text);
  LocalTime time;
  const auto year = read.Number(4, 4);
  const auto month = year && read.Take("-") ? read.Number(2, 2) : std::nullopt;
  const auto day = month && read.Take("-") ? read.Number(2, 2) : std::nullopt;
  const auto hour = day && read.Take("T") ? read.Number(2, 2) : std::nullopt;
  const auto minute = hour && read.Take(":") ? read.Number(2, 2) : std::nullopt;
  const auto second = minute && read.Take(":") ? read.Number(2, 2) : std::nullopt;
  if (!second) return std::nullopt;
  time = {*year, *month, *day, *hour, *minute, *second};
  if (!read.Take("Z")) {
    const bool east = read.Take("+");
    if (!east && !read.Take("-")) return std::nullopt;
    const auto hours = read.Number(2, 2);
    const auto minutes = hours && read.Take(":") ? read.Number(2, 2) : std::nullopt;
    if (!minutes) return std::nullopt;
    time.utcOffsetMinutes = (east ? 1 : -1) * (*hours * 60 + *minutes);
  }
  if (!read.AtEnd() || !Plausible(time)) return std::nullopt;
  return time;
}

std::optional<LocalTime> ParseLongDateTime(std::string_view text) {
  Cursor read(text);
  LocalTime time;
  std::string_view word = read.Word();
  if (!word.empty() && !MonthNumber(word)) {  // a weekday
    if (!read.Take(", ")) return std::nullopt;
    word = read.Word();
  }
  std::optional<int> month = MonthNumber(word), day, year;
  if (month) {  // "December 7, 2026"
    day = read.Take(" ") ? read.Number(1, 2) : std::nullopt;
    year = day && read.Take(", ") ? read.Number(4, 4) : std::nullopt;
  } else if (word.empty()) {  // "7 December 2026"
    day = read.Number(1, 2);
    month = day && read.Take(" ") ? MonthNumber(read.Word()) : std::nullopt;
    year = month && read.Take(" ") ? read.Number(4, 4) : std::nullopt;
  }
  if (!year) return std::nullopt;
  time = {*year, *month, *day};
  if (!read.Take(" ") || !ReadClock(read, time) || !Plausible(time)) return std::nullopt;
  return time;
}

bool SameLocalTimeSpelledTwoWays(std::string_view a, std::string_view b) {
  if (LooksLikeIso8601(b)) std::swap(a, b);
  if (!LooksLikeIso8601(a) || LooksLikeIso8601(b)) return false;
  const auto iso = ParseIso8601(a);
  const auto spelled = iso ? ParseLongDateTime(b) : std::nullopt;
  if (!spelled) return false;
  LocalTime wallClock = *iso;
  wallClock.utcOffsetMinutes = 0;
  return wallClock == *spelled;
}

}  // namespace sysinfo
