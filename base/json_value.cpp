// Report values as JSON, the document as UTF-8 text, and local times as ISO 8601.
#include "base/json_value.h"

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

}  // namespace sysinfo
