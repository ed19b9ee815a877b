// Two JSON reports compared item by item by the keys each category declares; text and JSON out.
#include "tools/report_compare.h"

#include <algorithm>
#include <deque>
#include <span>
#include <unordered_map>

#include "base/json_report.h"
#include "base/json_value.h"
#include "base/report.h"
#include "base/scan.h"
#include "collectors/categories.h"

namespace sysinfo {
namespace {

using Json = nlohmann::ordered_json;
// An item's fields in the report's order, reached by position as well as by name.
using Fields = Json::object_t::Container;
using Names = std::span<const std::string_view>;

bool IsObject(const Json& value) { return value.is_object(); }
bool IsString(const Json& value) { return value.is_string(); }

// True when `member` is absent or a list whose every entry passes `fits`.
bool ListOf(const Json& parent, const char* member, bool (*fits)(const Json&)) {
  const auto found = parent.find(member);
  return found == parent.end() ||
         (found->is_array() && std::all_of(found->begin(), found->end(), fits));
}

bool IsSubsection(const Json& value) {
  return value.is_object() && value.contains("name") && value["name"].is_string() &&
         value.contains("items") && ListOf(value, "items", IsObject);
}

bool IsKeyBlock(const Json& value) {
  return value.is_object() && value.contains("path") && value["path"].is_string() &&
         value.contains("values") && value["values"].is_object();
}

bool IsCategory(const Json& value) {
  return value.is_object() && value.contains("name") && value["name"].is_string() &&
         ListOf(value, "items", IsObject) && ListOf(value, "subsections", IsSubsection) &&
         ListOf(value, "keys", IsKeyBlock) && ListOf(value, "lines", IsString);
}

// What is missing from the layout the comparison reads; nothing when it is all there.
std::optional<std::string> LayoutFault(const Json& document) {
  if (!document.contains("computer") || !document["computer"].is_string()) return "computer";
  if (!document.contains("scanTime") || !document["scanTime"].is_string()) return "scanTime";
  const auto level = document.find("level");
  if (level == document.end() || !level->is_object() || !level->contains("number") ||
      !(*level)["number"].is_number_integer()) {
    return "level";
  }
  const auto categories = document.find("categories");
  if (categories == document.end() || !categories->is_array()) return "categories";
  for (const Json& category : *categories) {
    if (!IsCategory(category)) return "a category's name or items";
  }
  return std::nullopt;
}

// One item of a category: a field object of the document, or one made from a proxy key block
// or a hosts file line.
struct Item {
  std::string_view subsection;  // Memory's part; empty elsewhere
  const Json* fields;
};

struct ItemList {
  std::vector<Item> items;
  std::deque<Json> made;  // the items built from key blocks and lines (stable addresses)
};

ItemList ListItems(const Json& category) {
  ItemList list;
  if (const auto items = category.find("items"); items != category.end()) {
    list.items.reserve(items->size());
    for (const Json& item : *items) list.items.push_back({{}, &item});
  }
  if (const auto parts = category.find("subsections"); parts != category.end()) {
    for (const Json& part : *parts) {
      for (const Json& item : part["items"]) {
        list.items.push_back({part["name"].get_ref<const std::string&>(), &item});
      }
    }
  }
  if (const auto keys = category.find("keys"); keys != category.end()) {
    for (const Json& key : *keys) {
      Json& item = list.made.emplace_back(Json{{"path", key["path"]}});
      for (const auto& [name, value] : key["values"].items()) item[name] = value;
      list.items.push_back({{}, &item});
    }
  }
  if (const auto lines = category.find("lines"); lines != category.end()) {
    for (const Json& line : *lines) {
      list.items.push_back({{}, &list.made.emplace_back(Json{{"Line", line}})});
    }
  }
  return list;
}

const Json* FindField(const Fields& fields, std::string_view name) {
  for (const auto& [field, value] : fields) {
    if (field == name) return &value;
  }
  return nullptr;
}

// The field at `at` when the other item has the same layout (the usual case), else by search.
const Json* FieldLike(const Fields& fields, std::size_t at, std::string_view name) {
  if (at < fields.size() && fields[at].first == name) return &fields[at].second;
  return FindField(fields, name);
}

const Fields& FieldsOf(const Item& item) { return item.fields->get_ref<const Json::object_t&>(); }

// What an item is matched by: its sub-section and the values of the key fields it holds, or,
// holding none, its sub-section and its position among such items (`position` > 0).
struct Identity {
  std::string key;
  std::size_t position = 0;
};

class Identities {
 public:
  explicit Identities(Names keyFields) : keyFields_(keyFields) {}

  Identity Of(const Item& item) {
    Identity identity{std::string(item.subsection), 0};
    bool held = false;
    for (std::string_view field : keyFields_) {
      identity.key += '\x1f';  // the dumps hold no control character, so keys cannot run together
      if (const Json* value = FindField(FieldsOf(item), field)) {
        identity.key += value->dump();
        held = true;
      }
    }
    if (held) return identity;
    identity.position = ++positions_[std::string(item.subsection)];
    identity.key = std::string(item.subsection) + "\x1e#" + std::to_string(identity.position);
    return identity;
  }

 private:
  Names keyFields_;
  std::unordered_map<std::string, std::size_t> positions_;
};

ItemName NameOf(const Item& item, const Identity& identity, Names keyFields) {
  ItemName name{std::string(item.subsection), {}};
  if (identity.position > 0) {
    name.name = "#" + std::to_string(identity.position);
    return name;
  }
  for (std::string_view field : keyFields) {
    const Json* value = FindField(FieldsOf(item), field);
    if (!value || value->is_null()) continue;
    if (!name.name.empty()) name.name += ", ";
    name.name += value->is_string() ? value->get_ref<const std::string&>() : value->dump();
  }
  if (name.name.empty()) name.name = "(no name)";  // key fields null or empty
  return name;
}

std::optional<Json> Held(const Json* value) {
  return value ? std::optional<Json>(*value) : std::nullopt;
}

std::vector<FieldChange> FieldChanges(const Fields& before, const Fields& after, Names changing,
                                      bool allFields) {
  std::vector<FieldChange> changes;
  auto note = [&](const std::string& field, const Json* oldValue, const Json* newValue) {
    if (oldValue && newValue && *oldValue == *newValue) return;
    if (!allFields && std::find(changing.begin(), changing.end(), field) != changing.end()) return;
    changes.push_back({field, Held(oldValue), Held(newValue)});
  };
  for (std::size_t i = 0; i < before.size(); ++i) {
    note(before[i].first, &before[i].second, FieldLike(after, i, before[i].first));
  }
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (!FieldLike(before, i, after[i].first)) note(after[i].first, nullptr, &after[i].second);
  }
  return changes;
}

// Old items waiting for a partner under one key, in their order.
struct Waiting {
  std::vector<std::size_t> items;
  std::size_t next = 0;
};

CategoryDifferences CompareCategory(const Json& oldCategory, const Json& newCategory,
                                    bool allFields) {
  const std::string& name = newCategory["name"].get_ref<const std::string&>();
  const auto row = FindCategory(name);
  const Names keyFields = row ? kCategoryRows[*row].fields->key : Names{};
  const Names changing = row ? kCategoryRows[*row].fields->changing : Names{};
  const ItemList before = ListItems(oldCategory);
  const ItemList after = ListItems(newCategory);

  std::vector<Identity> oldIds;
  oldIds.reserve(before.items.size());
  std::unordered_map<std::string, Waiting> waiting;
  waiting.reserve(before.items.size());
  Identities oldIdentities(keyFields);
  for (std::size_t i = 0; i < before.items.size(); ++i) {
    oldIds.push_back(oldIdentities.Of(before.items[i]));
    waiting[oldIds.back().key].items.push_back(i);
  }

  CategoryDifferences differences{name, {}, {}, {}};
  std::vector<bool> paired(before.items.size(), false);
  Identities newIdentities(keyFields);
  for (const Item& item : after.items) {
    const Identity identity = newIdentities.Of(item);
    const auto found = waiting.find(identity.key);
    if (found == waiting.end() || found->second.next == found->second.items.size()) {
      differences.added.push_back({NameOf(item, identity, keyFields), *item.fields});
      continue;
    }
    const std::size_t partner = found->second.items[found->second.next++];
    paired[partner] = true;
    auto changes = FieldChanges(FieldsOf(before.items[partner]), FieldsOf(item), changing,
                                allFields);
    if (!changes.empty()) {
      differences.changed.push_back({NameOf(item, identity, keyFields), std::move(changes)});
    }
  }
  for (std::size_t i = 0; i < before.items.size(); ++i) {
    if (paired[i]) continue;
    const Item& item = before.items[i];
    differences.removed.push_back({NameOf(item, oldIds[i], keyFields), *item.fields});
  }
  return differences;
}

std::string Member(const Json& category, const char* name) {
  const auto found = category.find(name);
  return found != category.end() && found->is_string() ? found->get<std::string>() : "";
}

// The category when its scan did not finish in one of the reports; nothing when both did.
std::optional<UnfinishedCategory> Unfinished(const Json& before, const Json& after) {
  const auto finished = [](const std::string& status) {
    return status != "failed" && status != "timed_out";
  };
  UnfinishedCategory category{Member(after, "name"), Member(before, "status"),
                              Member(after, "status"), Member(after, "error")};
  if (finished(category.oldStatus) && finished(category.newStatus)) return std::nullopt;
  if (category.error.empty()) category.error = Member(before, "error");
  return category;
}

ReportSummary Summarize(const Json& document, const std::string& file) {
  const Json& level = document["level"];
  const auto levelName = level.find("name");
  return {file, document["computer"].get<std::string>(), document["scanTime"].get<std::string>(),
          levelName != level.end() && levelName->is_string() ? levelName->get<std::string>() : "",
          level["number"].get<int>()};
}

// ---- rendering ----

std::string Visible(std::string_view text) {
  std::string out;
  AppendVisible(out, text);
  return out;
}

std::string ValueText(const std::optional<Json>& value) {
  if (!value) return "(absent)";
  if (value->is_null()) return "(null)";
  if (value->is_string()) return Visible(value->get_ref<const std::string&>());
  return value->dump();
}

std::string NameText(const ItemName& name) {
  return Visible(name.subsection.empty() ? name.name : name.subsection + ": " + name.name);
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
    notes.push_back(category.name + " is not compared: its scan ended " + category.oldStatus +
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
          {"level", {{"number", report.level}, {"name", report.levelName}}}};
}

Json NameJson(const ItemName& name) {
  Json json = {{"item", name.name}};
  if (!name.subsection.empty()) json["subsection"] = name.subsection;
  return json;
}

Json ListedJson(const std::vector<ListedItem>& items) {
  Json list = Json::array();
  for (const ListedItem& item : items) {
    Json entry = NameJson(item.name);
    entry["fields"] = item.fields;
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
      if (change.oldValue) field["old"] = *change.oldValue;  // left out where the item lacks it
      if (change.newValue) field["new"] = *change.newValue;
      entry["changes"].push_back(std::move(field));
    }
    list.push_back(std::move(entry));
  }
  return list;
}

}  // namespace

std::optional<Json> ParseReport(std::string_view text, std::string& why) {
  Json document;
  try {
    document = Json::parse(text);
  } catch (const Json::parse_error& error) {
    why = std::string("not JSON: ") + error.what();
    return std::nullopt;
  }
  const Json name = document.is_object() && document.contains("tool") &&
                            document["tool"].is_object()
                        ? document["tool"].value("name", Json())
                        : Json();
  if (!name.is_string() || name.get_ref<const std::string&>() != kProgramName) {
    why = "not a report written by this program";
    return std::nullopt;
  }
  const auto version = document.find("schemaVersion");
  if (version == document.end() || !version->is_number_integer() || *version < 1) {
    why = "the report has no schemaVersion";
    return std::nullopt;
  }
  if (*version > kReportSchemaVersion) {
    why = "written by a newer version of this program (schemaVersion " + version->dump() +
          "; this one reads up to " + std::to_string(kReportSchemaVersion) + ")";
    return std::nullopt;
  }
  if (auto fault = LayoutFault(document)) {
    why = "a damaged report: its " + *fault + " cannot be read";
    return std::nullopt;
  }
  return document;
}

Comparison CompareReports(const Json& oldReport, const Json& newReport,
                          const CompareOptions& options) {
  Comparison comparison;
  comparison.oldReport = Summarize(oldReport, options.oldFile);
  comparison.newReport = Summarize(newReport, options.newFile);
  std::unordered_map<std::string, const Json*> oldCategories;
  for (const Json& category : oldReport["categories"]) {
    oldCategories.emplace(category["name"].get<std::string>(), &category);
  }
  std::unordered_map<std::string, bool> inNew;
  for (const Json& category : newReport["categories"]) {
    const std::string& name = category["name"].get_ref<const std::string&>();
    inNew[name] = true;
    const auto old = oldCategories.find(name);
    if (old == oldCategories.end()) {
      comparison.onlyInNew.push_back(name);
      continue;
    }
    if (auto unfinished = Unfinished(*old->second, category)) {
      comparison.unfinished.push_back(std::move(*unfinished));
      continue;
    }
    CategoryDifferences differences = CompareCategory(*old->second, category, options.allFields);
    if (!differences.added.empty() || !differences.removed.empty() ||
        !differences.changed.empty()) {
      comparison.categories.push_back(std::move(differences));
    }
  }
  for (const Json& category : oldReport["categories"]) {
    const std::string& name = category["name"].get_ref<const std::string&>();
    if (!inNew.contains(name)) comparison.onlyInOld.push_back(name);
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
  for (const UnfinishedCategory& category : comparison.unfinished) {
    document["categoriesNotCompared"].push_back(category.name);
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
