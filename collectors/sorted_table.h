#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collectors/section.h"
#include "collectors/wmi.h"

namespace sysinfo {

class ReportWriter;

// An in-memory table of text columns that a list section fills, sorts once on one column and
// walks from first to last row. Columns are fixed at construction; values are kept whole,
// however long.
class SortedTable {
 public:
  explicit SortedTable(std::span<const std::string_view> columns);

  // Starts a new row with every column empty; Set fills it; Update commits it.
  void AddNew();
  void Set(std::string_view column, std::string value);  // column names ignore letter case
  void SetColumn(std::size_t column, std::string value);  // by position in the column list
  void Update();

  // Ascending on one column, ignoring letter case; rows with equal keys keep their order.
  void Sort(std::string_view column);

  std::size_t RowCount() const { return rows_.size(); }
  // The stored text, or empty text for a column the table does not have.
  const std::string& Value(std::size_t row, std::string_view column) const;
  const std::string& Value(std::size_t row, std::size_t column) const;

  // The column's position, ignoring letter case; kNoColumn when the table has no such column.
  static constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);
  std::size_t ColumnIndex(std::string_view column) const;

 private:

  std::vector<std::string_view> columns_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<std::string> pending_;
};

// One printed line of a sorted section: label + the row's value of the column.
struct TableLine {
  std::string_view label;
  std::string_view column;
  Levels levels;
};

// A sorted section as data: its columns in order, the sort column, and its lines.
struct SortedSection {
  std::span<const std::string_view> columns;
  std::string_view sortColumn;
  std::span<const TableLine> lines;
};

// Sorts the table and prints one block per row (the level's lines, then the separator line).
// A level outside 1 to 3 prints nothing.
void PrintSortedTable(ReportWriter& report, SortedTable& table, const SortedSection& section,
                      int level);

// Adds one row per object of the query, each column filled from the property of the same name
// (Null or unreadable: empty). A query that fails before delivering anything adds one empty
// row, so the section prints one block of bare labels.
QueryStatus FillFromWmi(SortedTable& table, WmiService& wmi, std::string_view wql,
                        std::span<const std::string_view> columns);

// The whole cycle for a WMI list section: fill, sort, print.
QueryStatus PrintSortedWmiSection(ReportWriter& report, WmiService& wmi, std::string_view wql,
                                  const SortedSection& section, int level);

}  // namespace sysinfo
