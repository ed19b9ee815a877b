// Report values as JSON values, the document as UTF-8 text, and ISO 8601 local times.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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
std::string Iso8601(const LocalTime& time);

// The time in text Iso8601 writes (an offset of "Z" taken too); nothing for any other text.
std::optional<LocalTime> ParseIso8601(std::string_view text);

// The time in the long spelling an English locale gives it: a weekday or not, "December 7, 2026"
// or "7 December 2026", then "9:44:33 PM" or "21:44:33". The spelling holds no offset (0).
std::optional<LocalTime> ParseLongDateTime(std::string_view text);

// Whether one text is ISO 8601 and the other the long spelling of the same local date and time.
// Reports of layout 1 wrote file times in the long spelling, with no offset; those of layout 2
// write them as ISO 8601, so the same time of two such reports is the same wall-clock reading.
// Cheap for two texts that are not such a pair: the ISO shape is looked at first.
bool SameLocalTimeSpelledTwoWays(std::string_view a, std::string_view b);

}  // namespace sysinfo
