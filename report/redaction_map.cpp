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

std::optional<JsonFault> CheckRedactionMap(const JsonDocument& document) {
  const JsonNode root = document.Root();
  const auto fault = [](const JsonNode& node, std::string reason) {
    return JsonFault{node.Offset(), std::move(reason)};
  };
  if (!root.Is(JsonKind::Object)) return fault(root, "not a redaction map");
  for (const JsonNode member : root) {
    if (member.Name() != "version" && member.Name() != "markers")
      return fault(member, "a member a redaction map does not have");
  }
  const auto version = root.Find("version");
  const auto markers = root.Find("markers");
  if (!version || !markers) return fault(root, "no \"version\" or no \"markers\"");
  if (!version->Is(JsonKind::Number) || version->Text() != "1")
    return fault(*version, "a version this program does not write");
  if (!markers->Is(JsonKind::Object)) return fault(*markers, "\"markers\" that is no object");
  MarkerMap seen;
  for (const JsonNode marker : *markers) {
    if (!marker.Is(JsonKind::String) || !ParseMarker(marker.Text()))
      return fault(marker, "not a marker this program writes");
    if (!seen.emplace(Folded(marker.Name()), "").second)
      return fault(marker, "a value given twice");
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
  const JsonRead read = ReadJsonText(text, file, kRedactionMapLimits, CheckRedactionMap);
  if (!read.value) return {{}, read.error};
  return {RedactionMapOf(*read.value), {}};
}

}  // namespace sysinfo
