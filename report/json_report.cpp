// The JSON report built from what the collectors record, category by category.
#include "report/json_report.h"

#include <cmath>

#include "base/json_value.h"
#include "base/levels.h"
#include "base/program.h"

namespace sysinfo {
namespace {

using Json = nlohmann::ordered_json;

// What a group holds before its first item.
Json Empty(GroupHolds content) {
  return content == GroupHolds::OneItem ? Json::object() : Json::array();
}

// Every category's entry has its shape from the start, so one whose collector wrote nothing
// still says what it would have held; a category that is its one group has no name until begun.
void AddShape(Json& category, const ReportShape& shape) {
  if (!shape.list.empty()) {
    category[shape.list] = Json::array();
    return;
  }
  if (!shape.name.empty()) category[shape.name] = nullptr;
  category[shape.holds] = Empty(shape.content);
}

// How each source ended, for a category one of whose sources was not read: a comparison then
// leaves out only what came from that source.
Json SourcesJson(const std::vector<SourceOutcome>& sources) {
  Json list = Json::array();
  for (const SourceOutcome& source : sources) {
    Json entry = {{"name", source.name.empty() ? Json(nullptr) : Json(source.name)}};
    if (source.status == CategoryStatus::Ok) {
      entry["status"] = "read";
    } else {
      entry["status"] = std::string(CategoryStatusName(source.status));
      entry["error"] = source.error;
    }
    list.push_back(std::move(entry));
  }
  return list;
}

}  // namespace

std::string_view MachineIdSourceName(MachineIdSource source) {
  return kMachineIdSourceNames[static_cast<std::size_t>(source)];
}

JsonReport::JsonReport(const JsonReportHeader& header) {
  document_["schemaVersion"] = kReportSchemaVersion;
  document_["tool"] = {{"name", std::string(kProgramName)}, {"version", header.version}};
  if (header.redacted) document_["redacted"] = true;
  document_["computer"] = header.computer;
  if (header.machineId) {
    document_["machineId"] = header.machineId->id;
    document_["machineIdSource"] = std::string(MachineIdSourceName(header.machineId->source));
  }
  document_["scanTime"] = header.scanTime;
  document_["level"] = {{"number", LevelNumber(header.level)},
                        {"name", std::string(LevelCaption(header.level))}};
  document_["elapsedMs"] = 0;  // filled in at the end; kept here so the fields read in order
  document_["categories"] = Json::array();
}

std::string JsonReport::Text() const { return JsonText(document_); }

void JsonReport::ScanElapsed(double milliseconds) {
  document_["elapsedMs"] = static_cast<std::int64_t>(std::llround(milliseconds));
}

void JsonReport::BeginCategory(std::string_view name, int number, const ReportShape& shape) {
  category_ = Json::object();
  category_["name"] = std::string(name);
  category_["section"] = number;
  category_["status"] = nullptr;  // filled in at the end; kept here so the fields read in order
  category_["elapsedMs"] = 0;
  AddShape(category_, shape);
  shape_ = shape;
  group_ = nullptr;
  item_ = nullptr;
}

void JsonReport::EndCategory(const CategoryOutcome& outcome) {
  category_["status"] = std::string(CategoryStatusName(outcome.status));
  category_["elapsedMs"] = static_cast<std::int64_t>(std::llround(outcome.milliseconds));
  if (outcome.Unfinished()) {
    category_["error"] = outcome.error;
  }
  if (!outcome.sources.empty()) category_["sources"] = SourcesJson(outcome.sources);
  document_["categories"].push_back(std::move(category_));
  category_ = nullptr;
}

void JsonReport::BeginGroup(std::string_view name) {
  if (shape_.list.empty()) {  // the category is its one group: its members are there already
    if (!shape_.name.empty()) category_[shape_.name] = std::string(name);
    return;
  }
  group_ = Json::object();
  if (!shape_.name.empty()) group_[shape_.name] = std::string(name);
  group_[shape_.holds] = Empty(shape_.content);
}

void JsonReport::EndGroup() {
  if (shape_.list.empty() || !group_.is_object()) return;
  category_[shape_.list].push_back(std::move(group_));
  group_ = nullptr;
}

Json* JsonReport::Group() {
  if (shape_.list.empty()) return &category_;
  return group_.is_object() ? &group_ : nullptr;
}

void JsonReport::BeginItem() { item_ = Json::object(); }

void JsonReport::Field(std::string_view name, const SourceValue& value) {
  if (!item_.is_object()) return;
  if (auto json = JsonValue(value)) item_[std::string(name)] = std::move(*json);
}

void JsonReport::EndItem() {
  Json* group = Group();
  if (!item_.is_object() || !group) return;
  Json& held = (*group)[shape_.holds];
  switch (shape_.content) {
    case GroupHolds::Items: held.push_back(std::move(item_)); break;
    case GroupHolds::OneItem: held = std::move(item_); break;
    case GroupHolds::Texts:
      for (Json& value : item_) held.push_back(std::move(value));
      break;
  }
  item_ = nullptr;
}

}  // namespace sysinfo
