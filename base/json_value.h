// Report values as JSON values, the document as UTF-8 text, and ISO 8601 local times.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "base/value.h"

namespace sysinfo {

// A value as the JSON report holds it: text as a string, whole numbers as numbers (64-bit values
// exactly, never through a double), Booleans, Null as null, reals as numbers. Nothing for an
// unreadable value, which the text report leaves out too.
std::optional<nlohmann::ordered_json> JsonValue(const SourceValue& value);

// The document as UTF-8 text, indented by two blanks. Text from outside (registry values, file
// names) may hold bytes that are not UTF-8; each such byte becomes U+FFFD instead of making the
// whole document fail. A name carried as WTF-8 gives one U+FFFD for each lone surrogate.
std::string JsonText(const nlohmann::ordered_json& document);

// A local time with its offset from UTC, as ISO 8601: "2024-03-05T14:07:09+01:00".
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int utcOffsetMinutes = 0;  // east of Greenwich is positive
};
std::string Iso8601(const LocalTime& time);

}  // namespace sysinfo
