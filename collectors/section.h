// The section engines and the line tables each category declares.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/levels.h"
#include "collectors/wmi.h"

namespace sysinfo {

class ReportWriter;

// The levels a line is printed at, written like a table's three columns: {0, 1, 1}.
struct Levels {
  bool basic;
  bool moderate;
  bool advanced;
  constexpr bool Has(DetailLevel level) const {
    return (level == DetailLevel::Basic && basic) || (level == DetailLevel::Moderate && moderate) ||
           (level == DetailLevel::Advanced && advanced);
  }
};

// Turns a property value into the text after the label; nothing leaves the line out.
using ValueFormatter = std::optional<std::string> (*)(const SourceValue&);
// Builds a whole line from several properties of one object; nothing leaves the line out.
using LineComposer = std::optional<std::string> (*)(const WmiObject&);

// One line of an unsorted section: label + the property's text, at the marked levels.
struct SectionLine {
  std::string_view label;
  std::string_view property;
  Levels levels;
  ValueFormatter format = ValueText;
  LineComposer compose =
      nullptr;  // when set, it makes the whole line and label/property are unused
  // The properties a composed line is made of, recorded one by one for the JSON report.
  std::span<const std::string_view> composedFrom = {};
};

// A coded property's known values and the words printed after the number.
struct CodeSuffix {
  std::int64_t code;
  std::string_view suffix;
};

// The number followed by its suffix when the value is listed in `table`; no line otherwise
// (also for Null).
template <const auto& table>
std::optional<std::string> Coded(const SourceValue& value) {
  const auto number = WholeNumber(value);
  if (!number) return std::nullopt;
  for (const CodeSuffix& row : table) {
    if (row.code == *number) return std::to_string(*number) + std::string(row.suffix);
  }
  return std::nullopt;
}

// The lines of one object at a level, then the separator line. Without an object (a failed
// query) only the separator line is printed.
void PrintObjectLines(ReportWriter& report, const WmiObject* object,
                      std::span<const SectionLine> lines, DetailLevel level);

// Runs the query and prints every object it returns, in the order delivered. A query that
// fails before delivering anything prints a single separator line; a level outside 1 to 3
// prints nothing. Returns how the enumeration ended: nothing when it was read to its end.
Status PrintSection(ReportWriter& report, WmiService& wmi, std::string_view wql,
                    std::span<const SectionLine> lines, DetailLevel level);

}  // namespace sysinfo
