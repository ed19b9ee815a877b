// The list sections' table: cells kept as values, one stable sort, lines printed by level.
#include "collectors/sorted_table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <numeric>

#include "base/format.h"
#include "report/report.h"
#include "base/text.h"

namespace sysinfo {
namespace {

template <typename Number>
void AppendDecimal(std::string& text, Number number) {
  std::array<char, 24> digits{};
  const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), number);
  text.append(digits.data(), end);
}

struct ResolvedLine {
  std::string_view label;
  std::size_t column;
  std::string_view name;  // the column's name for the JSON report
  std::string_view unit;
};

// The lines printed at the level with their columns looked up once, not once per row.
std::vector<ResolvedLine> LinesAtLevel(const SortedTable& table, const SortedSection& section,
                                       DetailLevel level) {
  std::vector<ResolvedLine> resolved;
  for (const TableLine& line : section.lines) {
    if (!line.levels.Has(level)) continue;
    const std::size_t column = table.ColumnIndex(line.column);
    resolved.push_back({line.label, column,
                        column == SortedTable::kNoColumn ? line.column : table.ColumnName(column),
                        line.unit});
  }
  return resolved;
}

}  // namespace

SortedTable::SortedTable(std::span<const std::string_view> columns)
    : columns_(columns.begin(), columns.end()) {}

SortedTable::SortedTable(const SortedSection& section) {
  for (const TableLine& line : section.lines) columns_.push_back(line.column);
  columns_.insert(columns_.end(), section.recordedOnly.begin(), section.recordedOnly.end());
}

std::size_t SortedTable::ColumnIndex(std::string_view column) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsIgnoreCase(columns_[i], column)) return i;
  }
  return kNoColumn;
}

void SortedTable::AddNew() { pending_.assign(columns_.size(), SourceValue(Null{})); }

void SortedTable::Set(std::string_view column, std::string value) {
  SetColumn(ColumnIndex(column), std::move(value));
}

void SortedTable::SetValue(std::string_view column, SourceValue value) {
  SetColumn(ColumnIndex(column), std::move(value));
}

void SortedTable::SetColumn(std::size_t column, SourceValue value) {
  if (column >= pending_.size()) return;
  // A property the object lacks prints as empty text, like Null; the JSON report says null.
  if (IsUnreadable(value)) value = Null{};
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
  std::string text;
  for (const auto& row : rows_) {
    text.clear();
    AppendCellText(text, row[key]);
    keys.push_back(LowerCase(text));
  }
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<std::vector<SourceValue>> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t row : order) sorted.push_back(std::move(rows_[row]));
  rows_ = std::move(sorted);
}

std::string SortedTable::Value(std::size_t row, std::string_view column) const {
  return Value(row, ColumnIndex(column));
}

std::string SortedTable::Value(std::size_t row, std::size_t column) const {
  std::string text;
  AppendCellText(text, Cell(row, column));
  return text;
}

const SourceValue& SortedTable::Cell(std::size_t row, std::size_t column) const {
  static const SourceValue null{Null{}};
  if (row >= rows_.size() || column >= columns_.size()) return null;
  return rows_[row][column];
}

void AppendCellText(std::string& text, const SourceValue& cell) {
  // Text and whole numbers, nearly every cell, are appended without a string of their own.
  if (const auto* held = std::get_if<std::string>(&cell)) {
    text += *held;
  } else if (const auto* number = std::get_if<std::uint64_t>(&cell)) {
    AppendDecimal(text, *number);
  } else if (const auto* number = std::get_if<std::int64_t>(&cell)) {
    AppendDecimal(text, *number);
  } else if (auto converted = ValueText(cell)) {
    text += *converted;
  }
}

void PrintSortedTable(ReportWriter& report, SortedTable& table, const SortedSection& section,
                      DetailLevel level) {
  if (!IsDetailLevel(level)) return;
  table.Sort(section.sortColumn);
  const std::vector<ResolvedLine> lines = LinesAtLevel(table, section, level);
  std::vector<std::size_t> recordedOnly;
  for (std::string_view column : section.recordedOnly)
    recordedOnly.push_back(table.ColumnIndex(column));
  std::string text;  // reused, so a long section does not allocate per line
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    report.BeginItem();
    for (const ResolvedLine& line : lines) {
      const SourceValue& cell = table.Cell(row, line.column);
      text.clear();
      // A JSON report alone needs the text only where a redactor reads it.
      if (report.WritesLines() || report.Redacting()) {
        AppendCellText(text, cell);
        text += line.unit;
      }
      report.WriteField(line.label, text, line.name, cell);
    }
    for (std::size_t column : recordedOnly) {
      if (column != SortedTable::kNoColumn)
        report.RecordField(table.ColumnName(column), table.Cell(row, column));
    }
    report.EndItem();
    report.WriteReportLine(SeparatorLine);
  }
}

Status FillFromWmi(SortedTable& table, WmiService& wmi, std::string_view wql) {
  auto result = wmi.ExecQuery(wql);
  bool delivered = false;
  while (const WmiObject* object = result->Next()) {
    delivered = true;
    table.AddNew();
    for (std::size_t i = 0; i < table.ColumnCount(); ++i)
      table.SetColumn(i, object->Get(table.ColumnName(i)));
    table.Update();
  }
  if (!delivered && result->Outcome()) {
    table.AddNew();
    table.Update();
  }
  return result->Outcome();
}

Status PrintSortedWmiSection(ReportWriter& report, WmiService& wmi, const SortedSection& section,
                             DetailLevel level) {
  SortedTable table(section);
  const Status error = FillFromWmi(table, wmi, section.wql);
  PrintSortedTable(report, table, section, level);
  report.SourceEnded(error);
  return error;
}

}  // namespace sysinfo
