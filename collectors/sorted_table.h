// SortedTable: the rows a list section fills, sorts once and prints.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "collectors/section.h"
#include "collectors/wmi.h"

namespace sysinfo {

class ReportWriter;
struct SortedSection;

// An in-memory table that a list section fills, sorts once on one column and walks from first
// to last row. Columns are fixed at construction. Each cell keeps its value as it came (text,
// number, Boolean, Null), whole however long; the report prints its text, the JSON report the
// value itself.
class SortedTable {
 public:
  explicit SortedTable(std::span<const std::string_view> columns);
  explicit SortedTable(const SortedSection& section);

  // Starts a new row with every column Null (printed empty); Set fills it; Update commits it.
  void AddNew();
  void Set(std::string_view column, std::string value);  // column names ignore letter case
  void SetValue(std::string_view column, SourceValue value);
  void SetColumn(std::size_t column, SourceValue value);  // by position in the column list
  void Update();

  // Ascending on one column's text, ignoring letter case; rows with equal keys keep their order.
  void Sort(std::string_view column);

  std::size_t RowCount() const { return rows_.size(); }
  // The text the report prints, or empty text for a column the table does not have.
  std::string Value(std::size_t row, std::string_view column) const;
  std::string Value(std::size_t row, std::size_t column) const;
  // The value as stored; Null for a column the table does not have.
  const SourceValue& Cell(std::size_t row, std::size_t column) const;

  // The column's position, ignoring letter case; kNoColumn when the table has no such column.
  static constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);
  std::size_t ColumnIndex(std::string_view column) const;
  // The column's name as the table was made with it.
  std::string_view ColumnName(std::size_t column) const { return columns_[column]; }
  std::size_t ColumnCount() const { return columns_.size(); }

 private:
  std::vector<std::string_view> columns_;
  std::vector<std::vector<SourceValue>> rows_;
  std::vector<SourceValue> pending_;
};

// Appends a cell's report text: text as it is, a number in decimal, a Boolean as "True" or
// "False", Null (or unreadable) as nothing.
void AppendCellText(std::string& text, const SourceValue& cell);

// One printed line of a sorted section: label + the row's value of the column (+ a unit after
// a number that is kept as a number, " Bytes").
struct TableLine {
  std::string_view label;
  std::string_view column;
  Levels levels;
  std::string_view unit = {};
};

// A sorted section as data: the WMI query that fills it (empty when the collector fills the
// table itself), the sort column, its lines, and the columns that only the JSON report carries
// (at every level). The table's columns are the lines' columns, then the recorded-only ones.
struct SortedSection {
  std::string_view wql;
  std::string_view sortColumn;
  std::span<const TableLine> lines;
  std::span<const std::string_view> recordedOnly = {};
};

// Sorts the table and prints one block per row (the level's lines, then the separator line),
// recording each row as an item of the printed columns' values. A level outside 1 to 3 prints
// nothing.
void PrintSortedTable(ReportWriter& report, SortedTable& table, const SortedSection& section,
                      DetailLevel level);

// Adds one row per object of the query, each column filled from the property of the same name
// (unreadable: Null). A query that fails before delivering anything adds one empty row, so the
// section prints one block of bare labels. Nothing when the query was read to its end, else how
// it failed or that it stopped answering, with the platform's reason.
Status FillFromWmi(SortedTable& table, WmiService& wmi, std::string_view wql);

// The whole cycle for a WMI list section: fill from its query, sort, print; how the query ended.
Status PrintSortedWmiSection(ReportWriter& report, WmiService& wmi, const SortedSection& section,
                             DetailLevel level);

}  // namespace sysinfo
