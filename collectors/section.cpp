// The section engines: line tables printed per object, sorted sections through their table.
#include "collectors/section.h"

#include "base/format.h"
#include "report/report.h"

namespace sysinfo {
namespace {

// A composed line, and the properties it was made of recorded one by one for the JSON report.
void PrintComposedLine(ReportWriter& report, const WmiObject& object, const SectionLine& line) {
  const auto text = line.compose(object);
  if (!text) return;
  report.WriteReportLine(*text);
  for (std::string_view property : line.composedFrom)
    report.RecordField(property, object.Get(property));
}

// A label and a property's text. The JSON report gets the value as it came from WMI: a formatted
// line (a code with its meaning, a size with its unit) gives it the number it was made from.
void PrintPropertyLine(ReportWriter& report, const WmiObject& object, const SectionLine& line) {
  const SourceValue value = object.Get(line.property);
  const auto text = line.format(value);
  if (!text) return;
  report.WriteField(line.label, *text, line.property, value);
}

}  // namespace

void PrintObjectLines(ReportWriter& report, const WmiObject* object,
                      std::span<const SectionLine> lines, DetailLevel level) {
  if (object) {
    report.BeginItem();
    for (const SectionLine& line : lines) {
      if (!line.levels.Has(level)) continue;
      if (line.compose) {
        PrintComposedLine(report, *object, line);
      } else {
        PrintPropertyLine(report, *object, line);
      }
    }
    report.EndItem();
  }
  report.WriteReportLine(SeparatorLine);
}

Status PrintSection(ReportWriter& report, WmiService& wmi, std::string_view wql,
                    std::span<const SectionLine> lines, DetailLevel level) {
  auto result = wmi.ExecQuery(wql);
  if (!IsDetailLevel(level)) return result->Outcome();

  bool delivered = false;
  while (const WmiObject* object = result->Next()) {
    delivered = true;
    PrintObjectLines(report, object, lines, level);
  }
  // A query that could not even start still runs the per-object body once, without an object.
  if (!delivered && result->Outcome()) PrintObjectLines(report, nullptr, lines, level);
  const Status error = result->Outcome();
  report.SourceEnded(error);
  return error;
}

}  // namespace sysinfo
