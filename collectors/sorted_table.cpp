#include "collectors/sorted_table.h"

#include <algorithm>
#include <numeric>

#include "app/format.h"
#include "app/report.h"
#include "app/text.h"
#include "app/yield.h"

namespace sysinfo {
namespace {

// ASCII letters folded to lower case, as CompareIgnoreCase compares them.
std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

struct ResolvedLine {
  std::string_view label;
  std::size_t column;
};

// The lines printed at the level with their columns looked up once, not once per row.
std::vector<ResolvedLine> LinesAtLevel(const SortedTable& table, const SortedSection& section,
                                       int level) {
  std::vector<ResolvedLine> resolved;
  for (const TableLine& line : section.lines) {
    if (line.levels.Has(level)) resolved.push_back({line.label, table.ColumnIndex(line.column)});
  }
  return resolved;
}

}  // namespace

SortedTable::SortedTable(std::span<const std::string_view> columns)
    : columns_(columns.begin(), columns.end()) {}

std::size_t SortedTable::ColumnIndex(std::string_view column) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsIgnoreCase(columns_[i], column)) return i;
  }
  return kNoColumn;
}

void SortedTable::AddNew() { pending_.assign(columns_.size(), std::string()); }

void SortedTable::Set(std::string_view column, std::string value) {
  SetColumn(ColumnIndex(column), std::move(value));
}

void SortedTable::SetColumn(std::size_t column, std::string value) {
  if (column >= pending_.size()) return;
  pending_[column] = std::move(value);
}

void SortedTable::Update() {
  if (pending_.size() != columns_.size()) return;
  rows_.push_back(std::move(pending_));
  pending_.clear();
}

void SortedTable::Sort(std::string_view column) {
  const std::size_t key = ColumnIndex(column);
  if (key == kNoColumn) return;
  // Lower-case each key once, then order row numbers by plain byte comparison: the same order
  // as comparing ignoring case, without folding letters again in every comparison.
  std::vector<std::string> keys;
  keys.reserve(rows_.size());
  for (const auto& row : rows_) keys.push_back(LowerCase(row[key]));
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<std::vector<std::string>> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t row : order) sorted.push_back(std::move(rows_[row]));
  rows_ = std::move(sorted);
}

const std::string& SortedTable::Value(std::size_t row, std::string_view column) const {
  return Value(row, ColumnIndex(column));
}

const std::string& SortedTable::Value(std::size_t row, std::size_t column) const {
  static const std::string empty;
  if (row >= rows_.size() || column >= columns_.size()) return empty;
  return rows_[row][column];
}

void PrintSortedTable(ReportWriter& report, SortedTable& table, const SortedSection& section,
                      int level) {
  if (!IsDetailLevel(level)) return;
  table.Sort(section.sortColumn);
  const std::vector<ResolvedLine> lines = LinesAtLevel(table, section, level);
  std::string text;  // reused, so a long section does not allocate per line
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    for (const ResolvedLine& line : lines) {
      text.assign(line.label);
      text += table.Value(row, line.column);
      report.WriteReportLine(text);
    }
    report.WriteReportLine(SeparatorLine);
    Yield();
  }
}

QueryStatus FillFromWmi(SortedTable& table, WmiService& wmi, std::string_view wql,
                        std::span<const std::string_view> columns) {
  std::vector<std::size_t> stored;  // where each property goes, looked up once
  for (std::string_view column : columns) stored.push_back(table.ColumnIndex(column));

  auto result = wmi.ExecQuery(wql);
  Yield();
  bool delivered = false;
  while (const WmiObject* object = result->Next()) {
    delivered = true;
    table.AddNew();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      WmiValue value = object->Get(columns[i]);
      if (auto* text = std::get_if<std::string>(&value)) {
        table.SetColumn(stored[i], std::move(*text));  // text is stored as it is: no copy
      } else {
        table.SetColumn(stored[i], ValueText(value).value_or(""));
      }
    }
    table.Update();
    Yield();
  }
  if (!delivered && result->Status() != QueryStatus::Ok) {
    table.AddNew();
    table.Update();
  }
  return result->Status();
}

QueryStatus PrintSortedWmiSection(ReportWriter& report, WmiService& wmi, std::string_view wql,
                                  const SortedSection& section, int level) {
  SortedTable table(section.columns);
  const QueryStatus status = FillFromWmi(table, wmi, wql, section.columns);
  PrintSortedTable(report, table, section, level);
  return status;
}

}  // namespace sysinfo
