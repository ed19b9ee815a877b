// Two JSON reports compared: items added, removed and changed per category, as text or JSON.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "report/json_reader.h"
#include "tools/report_items.h"

namespace sysinfo {

struct CompareOptions {
  std::string oldFile, newFile;  // as the user named them, for the heading
  bool allFields = false;  // also the fields that change by themselves (process ids, times)
};

// What the heading says about one report.
struct ReportSummary {
  std::string file, computer, scanTime, levelName;
  DetailLevel level = DetailLevel::None;
};

// A field's value as the report holds it: its kind and text (a string's characters, a number as
// written).
struct FieldValue {
  JsonKind kind = JsonKind::Null;
  std::string text;
};

// A field whose value differs; nothing where the item does not hold the field.
struct FieldChange {
  std::string field;
  std::optional<FieldValue> oldValue, newValue;
};

struct ListedItem {
  ItemName name;
  std::vector<std::pair<std::string, FieldValue>> fields;
};

struct ChangedItem {
  ItemName name;
  std::vector<FieldChange> changes;
};

struct CategoryDifferences {
  std::string name;
  std::vector<ListedItem> added, removed;
  std::vector<ChangedItem> changed;
};

// A category whose scan failed or timed out in either report: its items are partial or missing,
// so they are not compared (a failed scan must not read as every item removed). Where each
// source that was not read is named and the category tells its items' sources apart, only
// those sources' items are left out.
struct UnfinishedCategory {
  std::string name, oldStatus, newStatus;
  std::string error;  // the failed scan's reason, the new report's first
  std::vector<std::string> sources;  // the sources left out; none: the whole category
};

struct Comparison {
  ReportSummary oldReport, newReport;
  std::vector<std::string> onlyInOld, onlyInNew;  // categories in one report alone
  std::vector<UnfinishedCategory> unfinished;
  std::vector<CategoryDifferences> categories;  // those with a difference, in the new order
  bool Differs() const {
    return !onlyInOld.empty() || !onlyInNew.empty() || !categories.empty() ||
           std::any_of(unfinished.begin(), unfinished.end(),
                       [](const UnfinishedCategory& c) { return c.oldStatus != c.newStatus; });
  }
  bool OtherComputer() const { return oldReport.computer != newReport.computer; }
  bool OtherLevel() const { return oldReport.level != newReport.level; }
};

// Compares two documents that CheckReport (tools/report_check.h) accepted. Items are matched
// within each category by the key fields the category declares, the one item of a group by the
// group's name; duplicates pair up in order. Time and memory grow in step with the reports' size.
Comparison CompareReports(const JsonDocument& oldReport, const JsonDocument& newReport,
                          const CompareOptions& options);

// The comparison for a person, top to bottom, lines ending in "\n".
std::string ComparisonText(const Comparison& comparison);
// The comparison as a document of schema/compare.schema.json.
std::string ComparisonJson(const Comparison& comparison);

}  // namespace sysinfo
