#include "collectors/sorted_table.h"

#include <algorithm>
#include <numeric>

#include "app/format.h"
#include "app/report.h"
#include "app/text.h"
#include "app/yield.h"

namespace sysinfo {
namespace {

constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

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
  const std::size_t index = ColumnIndex(column);
  if (index == kNoColumn || pending_.empty()) return;
  pending_[index] = std::move(value);
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
  static const std::string empty;
  const std::size_t index = ColumnIndex(column);
  if (index == kNoColumn || row >= rows_.size()) return empty;
  return rows_[row][index];
}

void PrintSortedTable(ReportWriter& report, SortedTable& table, const SortedSection& section,
                      int level) {
  if (!IsDetailLevel(level)) return;
  table.Sort(section.sortColumn);
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    for (const TableLine& line : section.lines) {
      if (line.levels.Has(level)) {
        report.WriteReportLine(std::string(line.label) + table.Value(row, line.column));
      }
    }
    report.WriteReportLine(SeparatorLine);
    Yield();
  }
}

QueryStatus FillFromWmi(SortedTable& table, WmiService& wmi, std::string_view wql,
                        std::span<const std::string_view> columns) {
  auto result = wmi.ExecQuery(wql);
  Yield();
  bool delivered = false;
  while (const WmiObject* object = result->Next()) {
    delivered = true;
    table.AddNew();
    for (std::string_view column : columns) {
      table.Set(column, ValueText(object->Get(column)).value_or(""));
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
