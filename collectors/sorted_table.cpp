#include "collectors/sorted_table.h"

#include <algorithm>
#include <numeric>

#include "app/format.h"
#include "app/report.h"
#include "app/text.h"
#include "app/yield.h"

namespace sysinfo {
namespace {

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
  std::stable_sort(rows_.begin(), rows_.end(),
                   [key](const std::vector<std::string>& a, const std::vector<std::string>& b) {
                     return CompareIgnoreCase(a[key], b[key]) < 0;
                   });
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
      table.SetColumn(stored[i], ValueText(object->Get(columns[i])).value_or(""));
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
