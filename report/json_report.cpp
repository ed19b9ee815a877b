// The JSON report built from what the collectors record, category by category.
#include "report/json_report.h"

#include <cmath>

#include "base/json_value.h"
#include "base/levels.h"
#include "base/levels.h"
#include "base/program.h"

namespace sysinfo {
namespace {

using Json = nlohmann::ordered_json;

// Every category's entry has its shape from the start, so one whose collector wrote nothing
// still says what it would have held.
void AddShape(Json& category, ReportShape shape) {
  switch (shape) {
    case ReportShape::Subsections: category["subsections"] = Json::array(); break;
    case ReportShape::KeyBlocks: category["keys"] = Json::array(); break;
    case ReportShape::FileLines:
      category["path"] = nullptr;
      category["lines"] = Json::array();
      break;
    case ReportShape::Items: category["items"] = Json::array();
  }
}

}  // namespace

JsonReport::JsonReport(const JsonReportHeader& header) {
  document_["schemaVersion"] = kReportSchemaVersion;
  document_["tool"] = {{"name", std::string(kProgramName)}, {"version", header.version}};
  document_["computer"] = header.computer;
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

void JsonReport::BeginCategory(std::string_view name, int number, ReportShape shape) {
  category_ = Json::object();
  category_["name"] = std::string(name);
  category_["section"] = number;
  category_["status"] = nullptr;  // filled in at the end; kept here so the fields read in order
  category_["elapsedMs"] = 0;
  AddShape(category_, shape);
  subsection_ = nullptr;
  item_ = nullptr;
  fields_ = nullptr;
}

void JsonReport::EndCategory(const CategoryOutcome& outcome) {
  category_["status"] = std::string(CategoryStatusName(outcome.status));
  category_["elapsedMs"] = static_cast<std::int64_t>(std::llround(outcome.milliseconds));
  if (outcome.Unfinished()) {
    category_["error"] = outcome.error;
  }
  document_["categories"].push_back(std::move(category_));
  category_ = nullptr;
}

Json& JsonReport::ItemList() {
  if (subsection_.is_object()) return subsection_["items"];
  if (!category_.contains("items")) category_["items"] = Json::array();
  return category_["items"];
}

void JsonReport::BeginItem() {
  item_ = Json::object();
  fields_ = &item_;
}

void JsonReport::Field(std::string_view name, const WmiValue& value) {
  if (!fields_) return;
  if (auto json = JsonValue(value)) (*fields_)[std::string(name)] = std::move(*json);
}

void JsonReport::EndItem() {
  if (!item_.is_object()) return;
  fields_ = nullptr;
  ItemList().push_back(std::move(item_));
  item_ = nullptr;
}

void JsonReport::BeginSubsection(std::string_view name) {
  subsection_ = {{"name", std::string(name)}, {"items", Json::array()}};
}

void JsonReport::EndSubsection() {
  if (!subsection_.is_object()) return;
  if (!category_.contains("subsections")) category_["subsections"] = Json::array();
  category_["subsections"].push_back(std::move(subsection_));
  subsection_ = nullptr;
}

void JsonReport::BeginKey(std::string_view path) {
  item_ = {{"path", std::string(path)}, {"values", Json::object()}};
  fields_ = &item_["values"];
}

void JsonReport::EndKey() {
  if (!item_.is_object()) return;
  fields_ = nullptr;
  if (!category_.contains("keys")) category_["keys"] = Json::array();
  category_["keys"].push_back(std::move(item_));
  item_ = nullptr;
}

void JsonReport::BeginFile(std::string_view path) { category_["path"] = std::string(path); }

void JsonReport::Line(std::string_view text) {
  if (!category_.contains("lines")) category_["lines"] = Json::array();
  category_["lines"].push_back(std::string(text));
}

}  // namespace sysinfo
