// Two JSON reports compared item by item by the keys each category declares; text and JSON out.
#include "tools/report_compare.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <variant>

#include <nlohmann/json.hpp>

#include "base/json_value.h"
#include "base/name_table.h"
#include "base/text.h"
#include "report/report.h"
#include "scan/scan.h"
#include "tools/report_items.h"

namespace sysinfo {
namespace {

using Json = nlohmann::ordered_json;

FieldValue ValueOf(JsonNode value) { return {value.Kind(), std::string(value.Text())}; }

std::optional<FieldValue> Held(const JsonNode* value) {
  return value ? std::optional(ValueOf(*value)) : std::nullopt;
}

std::string ValueText(const std::optional<FieldValue>& value) {
  if (!value) return "(absent)";
  switch (value->kind) {
    case JsonKind::Null: return "(null)";
    case JsonKind::True: return "true";
    case JsonKind::False: return "false";
    case JsonKind::String: return Visible(value->text);
    default: return value->text;  // a number as written
  }
}

std::vector<std::pair<std::string, FieldValue>> Listed(const std::vector<ItemField>& fields) {
  std::vector<std::pair<std::string, FieldValue>> listed;
  listed.reserve(fields.size());
  for (const ItemField& field : fields) listed.emplace_back(field.name, ValueOf(field.value));
  return listed;
}

// Whether two field values are the same: as JSON, or one time written in a report of layout 1 in
// the long spelling and in one of layout 2 as ISO 8601.
bool SameValue(JsonNode a, JsonNode b) {
  if (SameJson(a, b)) return true;
  return a.Is(JsonKind::String) && b.Is(JsonKind::String) &&
         SameLocalTimeSpelledTwoWays(a.Text(), b.Text());
}

// The fields that differ, in the old item's order and then the new item's own. Both items
// usually hold the same fields in the same order; where they part, the rest are found by name.
std::vector<FieldChange> FieldChanges(const std::vector<ItemField>& before,
                                      const std::vector<ItemField>& after, FieldNames changing,
                                      bool allFields) {
  std::vector<FieldChange> changes;
  auto note = [&](std::string_view field, const JsonNode* oldValue, const JsonNode* newValue) {
    if (oldValue && newValue && SameValue(*oldValue, *newValue)) return;
    if (!allFields && std::find(changing.begin(), changing.end(), field) != changing.end()) return;
    changes.push_back({std::string(field), Held(oldValue), Held(newValue)});
  };
  std::size_t same = 0;
  for (; same < before.size() && same < after.size() && before[same].name == after[same].name;
       ++same) {
    note(before[same].name, &before[same].value, &after[same].value);
  }
  if (same == before.size() && same == after.size()) return changes;
  NameTable newRest(after.size() - same);  // the new item's other fields by name
  for (std::size_t i = same; i < after.size(); ++i) {
    newRest.Add(after[i].name, static_cast<std::uint32_t>(i));
  }
  std::vector<bool> inOld(after.size());
  for (std::size_t i = same; i < before.size(); ++i) {
    const auto found = newRest.Find(before[i].name);
    if (found) inOld[*found] = true;
    note(before[i].name, &before[i].value, found ? &after[*found].value : nullptr);
  }
  for (std::size_t i = same; i < after.size(); ++i) {
    if (!inOld[i]) note(after[i].name, nullptr, &after[i].value);
  }
  return changes;
}

// The two programs' own processes: a scan always finds the one that runs it, each time with
// another command line, and that is no change to the machine.
constexpr std::array<std::string_view, 2> kOwnPrograms{"sysinfo-report.exe", "sysinfo.exe"};

bool IsScanningProgram(std::string_view category, const ReportItem& item) {
  if (category != "Processes" || !item.lone.empty()) return false;
  const auto name = item.value.Find("Name");
  return name && name->Is(JsonKind::String) &&
         std::any_of(kOwnPrograms.begin(), kOwnPrograms.end(),
                     [&](std::string_view own) { return EqualsIgnoreCase(name->Text(), own); });
}

ItemName Shown(const ReportItem& item, const MatchKey& identity, FieldNames keyFields) {
  return NamedForReader(NameOf(item, identity, keyFields), item, keyFields);
}

// Old items waiting for a partner under one key, in their order.
struct Waiting {
  std::vector<std::size_t> items;
  std::size_t next = 0;
};

// The source an item came from, as its category marks it; empty when no mark tells.
std::string_view SourceOf(const ReportItem& item, std::span<const SourceMark> marks) {
  if (!item.lone.empty()) return {};
  for (const SourceMark& mark : marks) {
    const auto field = item.value.Find(mark.field);
    if (!field) continue;
    if (!mark.source.empty()) return mark.source;
    return field->Is(JsonKind::String) ? field->Text() : std::string_view();
  }
  return {};
}

CategoryDifferences CompareCategory(JsonNode oldCategory, JsonNode newCategory, bool allFields,
                                    const std::vector<std::string>& leftOut) {
  const std::string_view name = newCategory.Find("name")->Text();
  const ItemRules rules = ItemRulesOf(name);
  const FieldNames keyFields = rules.key;
  std::vector<ReportItem> before = ListItems(oldCategory, rules.shape);
  std::vector<ReportItem> after = ListItems(newCategory, rules.shape);
  const auto notCompared = [&](const ReportItem& item) {
    if (IsScanningProgram(name, item)) return true;
    if (leftOut.empty()) return false;
    const std::string_view source = SourceOf(item, rules.sources);
    return std::find(leftOut.begin(), leftOut.end(), source) != leftOut.end();
  };
  for (std::vector<ReportItem>* items : {&before, &after}) std::erase_if(*items, notCompared);

  std::vector<MatchKey> oldIds;
  oldIds.reserve(before.size());
  std::unordered_map<std::string, Waiting> waiting;
  waiting.reserve(before.size());
  MatchKeys oldIdentities(keyFields);
  for (std::size_t i = 0; i < before.size(); ++i) {
    oldIds.push_back(oldIdentities.Of(before[i]));
    waiting[oldIds.back().key].items.push_back(i);
  }

  CategoryDifferences differences{std::string(name), {}, {}, {}};
  std::vector<bool> paired(before.size(), false);
  std::vector<ItemField> oldFields, newFields;  // kept between items so they allocate once
  MatchKeys newIdentities(keyFields);
  for (const ReportItem& item : after) {
    const MatchKey identity = newIdentities.Of(item);
    const auto found = waiting.find(identity.key);
    CollectFields(item, newFields);
    if (found == waiting.end() || found->second.next == found->second.items.size()) {
      differences.added.push_back({Shown(item, identity, keyFields), Listed(newFields)});
      continue;
    }
    const std::size_t partner = found->second.items[found->second.next++];
    paired[partner] = true;
    CollectFields(before[partner], oldFields);
    auto changes = FieldChanges(oldFields, newFields, rules.changing, allFields);
    if (!changes.empty()) {
      differences.changed.push_back({Shown(item, identity, keyFields), std::move(changes)});
    }
  }
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (paired[i]) continue;
    CollectFields(before[i], oldFields);
    differences.removed.push_back({Shown(before[i], oldIds[i], keyFields), Listed(oldFields)});
  }
  return differences;
}

std::string Member(JsonNode category, std::string_view name) {
  const auto found = category.Find(name);
  return found ? std::string(found->Text()) : "";
}

bool Finished(const std::string& status) { return status != "failed" && status != "timed_out"; }

// The sources not read in one report or the other, each named; nothing when a failure names no
// source, or the report was written before sources were told apart.
std::optional<std::vector<std::string>> UnreadSources(JsonNode before, JsonNode after) {
  std::vector<std::string> unread;
  for (JsonNode category : {before, after}) {
    if (Finished(Member(category, "status"))) continue;
    const auto sources = category.Find("sources");
    if (!sources) return std::nullopt;
    for (JsonNode source : *sources) {
      if (Member(source, "status") == "read") continue;
      const auto name = source.Find("name");
      if (!name || !name->Is(JsonKind::String)) return std::nullopt;
      if (std::find(unread.begin(), unread.end(), name->Text()) == unread.end())
        unread.emplace_back(name->Text());
    }
  }
  return unread;
}

// The category when its scan did not finish in one of the reports; nothing when both did.
std::optional<UnfinishedCategory> Unfinished(JsonNode before, JsonNode after) {
  UnfinishedCategory category{Member(after, "name"),
                              Member(before, "status"),
                              Member(after, "status"),
                              Member(after, "error"),
                              {}};
  if (Finished(category.oldStatus) && Finished(category.newStatus)) return std::nullopt;
  if (category.error.empty()) category.error = Member(before, "error");
  if (!ItemRulesOf(category.name).sources.empty()) {
    category.sources = UnreadSources(before, after).value_or(std::vector<std::string>{});
  }
  return category;
}

ReportSummary Summarize(const JsonDocument& document, const std::string& file) {
  const JsonNode root = document.Root();
  const JsonNode level = *root.Find("level");
  return {file, Member(root, "computer"), Member(root, "scanTime"), Member(level, "name"),
          LevelFromNumber(std::stoll(NumberKey(level.Find("number")->Number())))
              .value_or(DetailLevel::None)};
}

// ---- rendering ----

const std::string& ShownText(const ItemName& name) {
  return name.shown.empty() ? name.name : name.shown;
}

std::string NameText(const ItemName& name) {
  return Visible(name.subsection.empty() ? ShownText(name)
                                         : name.subsection + ": " + ShownText(name));
}

std::string Counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// What the heading says beside the reports themselves: another machine, another level.
std::vector<std::string> Notes(const Comparison& comparison) {
  std::vector<std::string> notes;
  const ReportSummary& before = comparison.oldReport;
  const ReportSummary& after = comparison.newReport;
  if (comparison.OtherComputer()) {
    notes.push_back("The reports are of different computers: " + before.computer + " and " +
                    after.computer + ".");
  }
  if (comparison.OtherLevel()) {
    notes.push_back("The reports have different detail levels: " + before.levelName + " and " +
                    after.levelName + ".");
  }
  for (const UnfinishedCategory& category : comparison.unfinished) {
    const std::string what = category.sources.empty()
                                 ? " is not compared"
                                 : " is compared without " + Joined(category.sources);
    notes.push_back(category.name + what + ": its scan ended " + category.oldStatus +
                    " in the old report and " + category.newStatus + " in the new one" +
                    (category.error.empty() ? "" : " (" + category.error + ")") + ".");
  }
  return notes;
}

std::string HeadingLine(const char* which, const ReportSummary& report) {
  return Visible(std::string(which) + report.file + " (computer " + report.computer + ", scanned " +
                 report.scanTime + ", level " + report.levelName + ")") +
         "\n";
}

std::string SummaryLine(const CategoryDifferences& category) {
  return Visible(category.name) + ": " + std::to_string(category.added.size()) + " added, " +
         std::to_string(category.removed.size()) + " removed, " +
         std::to_string(category.changed.size()) + " changed\n";
}

Json ReportJson(const ReportSummary& report) {
  return {{"file", report.file},
          {"computer", report.computer},
          {"scanTime", report.scanTime},
          {"level", {{"number", LevelNumber(report.level)}, {"name", report.levelName}}}};
}

Json NameJson(const ItemName& name) {
  Json json = {{"item", ShownText(name)}};
  if (!name.subsection.empty()) json["subsection"] = name.subsection;
  return json;
}

// A value for the JSON output: numbers as the reader holds them (whole numbers exactly).
Json ValueJson(const FieldValue& value) {
  switch (value.kind) {
    case JsonKind::Null: return nullptr;
    case JsonKind::True: return true;
    case JsonKind::False: return false;
    case JsonKind::String: return value.text;
    default: return std::visit([](auto number) { return Json(number); }, NumberValue(value.text));
  }
}

Json ListedJson(const std::vector<ListedItem>& items) {
  Json list = Json::array();
  for (const ListedItem& item : items) {
    Json entry = NameJson(item.name);
    // The names are an object's, so unique: appended without the search a keyed insert makes.
    Json fields = Json::object();
    auto& members = static_cast<Json::object_t::Container&>(fields.get_ref<Json::object_t&>());
    members.reserve(item.fields.size());
    for (const auto& [name, value] : item.fields) members.emplace_back(name, ValueJson(value));
    entry["fields"] = std::move(fields);
    list.push_back(std::move(entry));
  }
  return list;
}

Json ChangedJson(const std::vector<ChangedItem>& items) {
  Json list = Json::array();
  for (const ChangedItem& item : items) {
    Json entry = NameJson(item.name);
    entry["changes"] = Json::array();
    for (const FieldChange& change : item.changes) {
      Json field = {{"field", change.field}};
      if (change.oldValue) field["old"] = ValueJson(*change.oldValue);  // none: the item lacks it
      if (change.newValue) field["new"] = ValueJson(*change.newValue);
      entry["changes"].push_back(std::move(field));
    }
    list.push_back(std::move(entry));
  }
  return list;
}

}  // namespace

Comparison CompareReports(const JsonDocument& oldReport, const JsonDocument& newReport,
                          const CompareOptions& options) {
  Comparison comparison;
  comparison.oldReport = Summarize(oldReport, options.oldFile);
  comparison.newReport = Summarize(newReport, options.newFile);
  const JsonNode oldList = *oldReport.Root().Find("categories");
  const JsonNode newList = *newReport.Root().Find("categories");
  std::unordered_map<std::string_view, JsonNode> oldCategories;
  for (JsonNode category : oldList) oldCategories.emplace(category.Find("name")->Text(), category);
  std::unordered_map<std::string_view, bool> inNew;
  for (JsonNode category : newList) {
    const std::string_view name = category.Find("name")->Text();
    inNew[name] = true;
    const auto old = oldCategories.find(name);
    if (old == oldCategories.end()) {
      comparison.onlyInNew.emplace_back(name);
      continue;
    }
    std::vector<std::string> leftOut;
    if (auto unfinished = Unfinished(old->second, category)) {
      leftOut = unfinished->sources;
      comparison.unfinished.push_back(std::move(*unfinished));
      if (leftOut.empty()) continue;
    }
    CategoryDifferences differences = CompareCategory(old->second, category, options.allFields,
                                                      leftOut);
    if (!differences.added.empty() || !differences.removed.empty() ||
        !differences.changed.empty()) {
      comparison.categories.push_back(std::move(differences));
    }
  }
  for (JsonNode category : oldList) {
    const std::string_view name = category.Find("name")->Text();
    if (!inNew.contains(name)) comparison.onlyInOld.emplace_back(name);
  }
  return comparison;
}

std::string ComparisonText(const Comparison& comparison) {
  std::string text = HeadingLine("Old: ", comparison.oldReport);
  text += HeadingLine("New: ", comparison.newReport);
  for (const std::string& note : Notes(comparison)) text += Visible("Note: " + note) + "\n";
  if (!comparison.onlyInOld.empty()) {
    text += Visible("Only in the old report: " + Joined(comparison.onlyInOld)) + "\n";
  }
  if (!comparison.onlyInNew.empty()) {
    text += Visible("Only in the new report: " + Joined(comparison.onlyInNew)) + "\n";
  }
  std::size_t added = 0, removed = 0, changed = 0;
  for (const CategoryDifferences& category : comparison.categories) {
    text += "\n" + SummaryLine(category);
    for (const ListedItem& item : category.added) text += "  + " + NameText(item.name) + "\n";
    for (const ListedItem& item : category.removed) text += "  - " + NameText(item.name) + "\n";
    for (const ChangedItem& item : category.changed) {
      text += "  ~ " + NameText(item.name) + "\n";
      for (const FieldChange& change : item.changes) {
        text += "      " + Visible(change.field) + ": " + ValueText(change.oldValue) + " -> " +
                ValueText(change.newValue) + "\n";
      }
    }
    added += category.added.size();
    removed += category.removed.size();
    changed += category.changed.size();
  }
  text += "\n";
  if (!comparison.Differs()) return text + "No differences.\n";
  text += std::to_string(added) + " added, " + std::to_string(removed) + " removed, " +
          std::to_string(changed) + " changed in " +
          Counted(comparison.categories.size(), "category", "categories");
  const std::size_t alone = comparison.onlyInOld.size() + comparison.onlyInNew.size();
  if (alone > 0) text += "; " + Counted(alone, "category", "categories") + " in one report only";
  return text + ".\n";
}

std::string ComparisonJson(const Comparison& comparison) {
  Json document;
  document["old"] = ReportJson(comparison.oldReport);
  document["new"] = ReportJson(comparison.newReport);
  document["notes"] = Notes(comparison);
  document["categoriesOnlyInOld"] = comparison.onlyInOld;
  document["categoriesOnlyInNew"] = comparison.onlyInNew;
  document["categoriesNotCompared"] = Json::array();
  document["sourcesNotCompared"] = Json::array();
  for (const UnfinishedCategory& category : comparison.unfinished) {
    if (category.sources.empty()) {
      document["categoriesNotCompared"].push_back(category.name);
    } else {
      document["sourcesNotCompared"].push_back(
          {{"category", category.name}, {"sources", category.sources}});
    }
  }
  document["categories"] = Json::array();
  for (const CategoryDifferences& category : comparison.categories) {
    document["categories"].push_back({{"name", category.name},
                                      {"added", ListedJson(category.added)},
                                      {"removed", ListedJson(category.removed)},
                                      {"changed", ChangedJson(category.changed)}});
  }
  document["differences"] = comparison.Differs();
  return JsonText(document) + "\n";
}

}  // namespace sysinfo
