// The redaction map as a file: which marker each value got in a machine's redacted reports.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/redaction.h"

namespace sysinfo {

// The largest map read back: some 200,000 values.
inline constexpr std::size_t kMaxRedactionMapBytes = 16 << 20;

// The file's text: {"version": 1, "markers": {"value": "<marker>", ...}}, each value in small
// letters, the values in order. A reader looks a marker up by searching for it.
std::string RedactionMapText(const MarkerMap& map);

// A map as RedactionMapText writes it, read as a file from anywhere: nothing else is accepted (no
// other key, nesting, number or marker, no value given twice in any letter case, no control
// character, nothing past kMaxRedactionMapBytes). Nothing, with "line L, column C: why", for
// anything else.
std::optional<MarkerMap> ParseRedactionMap(std::string_view text, std::string& reason);

}  // namespace sysinfo
