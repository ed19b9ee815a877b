// The redaction map as a file: which marker each value got in a machine's redacted reports.
#pragma once

#include <string>
#include <string_view>

#include "report/json_reader.h"
#include "report/redaction.h"

namespace sysinfo {

// What a map read back may hold: some 200,000 values, and nothing nested below "markers".
inline constexpr JsonLimits kRedactionMapLimits{16u << 20, 2};

// The file's text: {"version": 1, "markers": {"value": "<marker>", ...}}, each value in small
// letters, the values in order. A reader looks a marker up by searching for it.
std::string RedactionMapText(const MarkerMap& map);

// What a map must be beyond JSON: the two members and nothing else, version 1, markers this
// program writes, no value given twice in any letter case.
Status CheckRedactionMap(const JsonDocument& document);

// The markers of a document CheckRedactionMap accepted.
MarkerMap RedactionMapOf(const JsonDocument& document);

// The map in `text`, read as a file from anywhere (see ReadJsonText); for anything else the
// refusal, one printable line naming `file`, the place and the reason.
Result<MarkerMap> ParseRedactionMap(std::string_view text, std::string_view file);

}  // namespace sysinfo
