// The items of a report's category and how they are matched and named.
#include "tools/report_items.h"

#include <nlohmann/json.hpp>

#include "report/report.h"
#include "collectors/categories.h"

namespace sysinfo {
namespace {

std::optional<JsonNode> FindField(const ReportItem& item, std::string_view name) {
  if (item.lone.empty()) return item.value.Find(name);
  return item.lone == name ? std::optional(item.value) : std::nullopt;
}

std::optional<JsonNode> FindKey(const ReportItem& item, std::string_view name) {
  return item.block ? item.block->Find(name) : FindField(item, name);
}

// The items of one group: `group` holds them as the shape says; `subsection` names the group
// where it is one of a list holding items.
void AddGroupItems(std::vector<ReportItem>& list, JsonNode group, const ReportShape& shape,
                   std::string_view subsection) {
  const auto held = group.Find(shape.holds);
  if (!held) return;
  switch (shape.content) {
    case GroupHolds::Items:
      list.reserve(list.size() + held->Size());
      for (JsonNode item : *held) list.push_back({subsection, item, {}, {}, {}});
      break;
    case GroupHolds::OneItem: list.push_back({{}, *held, {}, group, {}}); break;
    case GroupHolds::Texts:
      for (JsonNode text : *held) list.push_back({{}, text, shape.field, {}, {}});
      break;
  }
}

// A value as part of a matching key: its kind and content, numbers by value, so that no two
// different key values give one key however they are put together.
void AppendKey(std::string& key, const std::optional<JsonNode>& value) {
  key += '\x1f';
  if (!value) return;
  switch (value->Kind()) {
    case JsonKind::Number:
      key += '#';
      key += NumberKey(value->Number());
      return;
    case JsonKind::String:
      key += '"';
      key += std::to_string(value->Text().size());
      key += ':';
      key += value->Text();
      return;
    default:  // null, true, false: the kind says it all
      key += static_cast<char>('0' + static_cast<int>(value->Kind()));
  }
}

// Whether text reads as a JSON value other than a string (5, true, null).
bool ReadsAsJson(std::string_view text) {
  const Result<JsonDocument> parsed = ParseJson(text, {});
  return !parsed.Failed() && !parsed.value.Root().Is(JsonKind::String);
}

// A key value as part of an item's name: as the report holds it, a string in quotes where it
// could be read as something else (empty, holding ", ", starting like a marker, or the text of
// a number, true, false or null).
std::string NamePart(const std::optional<JsonNode>& value) {
  if (!value) return "(absent)";
  switch (value->Kind()) {
    case JsonKind::Null: return "(null)";
    case JsonKind::True: return "true";
    case JsonKind::False: return "false";
    case JsonKind::String: break;
    default: return std::string(value->Text());  // a number as written
  }
  const std::string_view text = value->Text();
  if (!text.empty() && text.find(", ") == std::string_view::npos &&
      text.find_first_of("\"(#") != 0 && !ReadsAsJson(text)) {
    return std::string(text);
  }
  using Json = nlohmann::ordered_json;
  return Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A key value as a reader is shown it: nothing for a value the item does not hold or holds as
// null, a string as it stands, in plain quotes only where it would read as something else (empty,
// or holding the ", " that parts the key fields), other values as written.
std::optional<std::string> ShownPart(const std::optional<JsonNode>& value) {
  if (!value || value->Is(JsonKind::Null)) return std::nullopt;
  switch (value->Kind()) {
    case JsonKind::True: return "true";
    case JsonKind::False: return "false";
    case JsonKind::String: break;
    default: return std::string(value->Text());  // a number as written
  }
  const std::string_view text = value->Text();
  if (text.empty() || text.find(", ") != std::string_view::npos)
    return '"' + std::string(text) + '"';
  return std::string(text);
}

}  // namespace

ItemRules ItemRulesOf(std::string_view category) {
  const auto row = FindCategory(category);
  if (!row) return {};
  const CategoryDefinition& definition = *kCategoryList[*row];
  return {definition.fields.key, definition.fields.changing, definition.shape,
          definition.fields.sources};
}

std::vector<ReportItem> ListItems(JsonNode category, const ReportShape& shape) {
  std::vector<ReportItem> list;
  if (shape.list.empty()) {
    const auto name = shape.nameItem.empty() ? std::nullopt : category.Find(shape.name);
    if (name) list.push_back({{}, *name, shape.name, {}, shape.nameItem});
    AddGroupItems(list, category, shape, {});
    return list;
  }
  if (const auto groups = category.Find(shape.list)) {
    for (JsonNode group : *groups) {
      const auto name = shape.name.empty() ? std::nullopt : group.Find(shape.name);
      const bool named = name && shape.content == GroupHolds::Items;
      AddGroupItems(list, group, shape, named ? name->Text() : std::string_view());
    }
  }
  return list;
}

void CollectFields(const ReportItem& item, std::vector<ItemField>& fields) {
  fields.clear();
  if (!item.lone.empty()) {
    fields.push_back({item.lone, item.value});
    return;
  }
  for (JsonNode field : item.value) fields.push_back({field.Name(), field});
}

MatchKey MatchKeys::Of(const ReportItem& item) {
  MatchKey identity{std::string(item.subsection) + '\x1e', 0};
  if (!item.ownName.empty()) return {identity.key + "=" + std::string(item.ownName), 0};
  bool held = false;
  for (std::string_view field : keyFields_) {
    const auto value = FindKey(item, field);
    AppendKey(identity.key, value);
    held = held || value;
  }
  if (held) return identity;
  identity.position = ++positions_[std::string(item.subsection)];
  identity.key += "#" + std::to_string(identity.position);
  return identity;
}

ItemName NameOf(const ReportItem& item, const MatchKey& identity, FieldNames keyFields) {
  ItemName name{std::string(item.subsection), std::string(item.ownName)};
  if (!item.ownName.empty()) return name;
  if (identity.position > 0) {
    name.name = "#" + std::to_string(identity.position);
    return name;
  }
  std::size_t shown = 0;  // the parts up to the last key field held; the absent after it go
  std::vector<std::string> parts;
  for (std::string_view field : keyFields) {
    const auto value = FindKey(item, field);
    parts.push_back(NamePart(value));
    if (value) shown = parts.size();
  }
  for (std::size_t i = 0; i < shown; ++i) name.name += (i > 0 ? ", " : "") + parts[i];
  return name;
}

ItemName NamedForReader(ItemName name, const ReportItem& item, FieldNames keyFields) {
  if (!item.ownName.empty() || name.name.starts_with('#')) return name;
  for (std::string_view field : keyFields) {
    if (const auto part = ShownPart(FindKey(item, field)))
      name.shown += (name.shown.empty() ? "" : ", ") + *part;
  }
  if (name.shown.empty()) name.shown = "(no name)";
  return name;
}

std::string Visible(std::string_view text) {
  std::string out;
  AppendVisible(out, text);
  return out;
}

}  // namespace sysinfo
