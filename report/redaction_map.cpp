// The redaction map written as JSON and read back through the reader of hostile files.
#include "report/redaction_map.h"

#include <nlohmann/json.hpp>

#include "base/json_value.h"

namespace sysinfo {

std::string RedactionMapText(const MarkerMap& map) {
  nlohmann::ordered_json markers = nlohmann::ordered_json::object();
  for (const auto& [value, marker] : map) markers[value] = marker;
  return JsonText({{"version", 1}, {"markers", markers}}) + "\n";
}

Status CheckRedactionMap(const JsonDocument& document) {
  const JsonNode root = document.Root();
  if (!root.Is(JsonKind::Object)) return RefusedAt(root, "not a redaction map");
  for (const JsonNode member : root) {
    if (member.Name() != "version" && member.Name() != "markers")
      return RefusedAt(member, "a member a redaction map does not have");
  }
  const auto version = root.Find("version");
  const auto markers = root.Find("markers");
  if (!version || !markers) return RefusedAt(root, "no \"version\" or no \"markers\"");
  if (!version->Is(JsonKind::Number) || version->Text() != "1")
    return RefusedAt(*version, "a version this program does not write");
  if (!markers->Is(JsonKind::Object)) return RefusedAt(*markers, "\"markers\" that is no object");
  MarkerMap seen;
  for (const JsonNode marker : *markers) {
    if (!marker.Is(JsonKind::String) || !ParseMarker(marker.Text()))
      return RefusedAt(marker, "not a marker this program writes");
    if (!seen.emplace(Folded(marker.Name()), "").second)
      return RefusedAt(marker, "a value given twice");
  }
  return std::nullopt;
}

MarkerMap RedactionMapOf(const JsonDocument& document) {
  MarkerMap map;
  const JsonNode markers = *document.Root().Find("markers");
  for (const JsonNode marker : markers) map.emplace(Folded(marker.Name()), marker.Text());
  return map;
}

Result<MarkerMap> ParseRedactionMap(std::string_view text, std::string_view file) {
  JsonRead read = ReadJsonText(text, file, kRedactionMapLimits, CheckRedactionMap);
  if (read.Failed()) return {{}, std::move(read.error)};
  return {RedactionMapOf(read.value), {}};
}

}  // namespace sysinfo
