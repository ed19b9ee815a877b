#include "app/json_value.h"

#include <cstdio>
#include <cstdlib>

namespace sysinfo {

std::optional<nlohmann::ordered_json> JsonValue(const WmiValue& value) {
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

std::string JsonText(const nlohmann::ordered_json& document) {
  return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
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
