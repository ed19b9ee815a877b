// The section engines: line tables printed per object, sorted sections through their table.
#include "collectors/section.h"

#include "base/format.h"
#include "base/report.h"
#include "base/pending_messages.h"

namespace sysinfo {
namespace {

std::optional<std::string> LineText(const WmiObject& object, const SectionLine& line) {
  if (line.compose) return line.compose(object);
  auto text = line.format(object.Get(line.property));
  if (!text) return std::nullopt;
  return std::string(line.label) + *text;
}

// The values behind a printed line, as they came from WMI: a formatted line (a code with its
// meaning, a size with its unit) gives the JSON report the number it was made from.
void RecordLine(ItemRecorder& items, const WmiObject& object, const SectionLine& line) {
  if (!line.compose) {
    items.Field(line.property, object.Get(line.property));
    return;
  }
  for (std::string_view property : line.composedFrom) items.Field(property, object.Get(property));
}

}  // namespace

void PrintObjectLines(ReportWriter& report, const WmiObject* object,
                      std::span<const SectionLine> lines, int level) {
  if (object) {
    ItemRecorder& items = report.Items();
    items.BeginItem();
    for (const SectionLine& line : lines) {
      if (!line.levels.Has(level)) continue;
      if (auto text = LineText(*object, line)) {
        report.WriteReportLine(*text);
        RecordLine(items, *object, line);
      }
    }
    items.EndItem();
  }
  report.WriteReportLine(SeparatorLine);
}

QueryStatus PrintSection(ReportWriter& report, WmiService& wmi, std::string_view wql,
                         std::span<const SectionLine> lines, int level) {
  auto result = wmi.ExecQuery(wql);
  ProcessPendingMessages();
  if (!IsDetailLevel(level)) return result->Status();

  bool delivered = false;
  while (const WmiObject* object = result->Next()) {
    delivered = true;
    PrintObjectLines(report, object, lines, level);
    ProcessPendingMessages();
  }
  // A query that could not even start still runs the per-object body once, without an object.
  if (!delivered && result->Status() != QueryStatus::Ok)
    PrintObjectLines(report, nullptr, lines, level);
  report.Items().SourceEnded(result->Status(), result->Error());
  return result->Status();
}

}  // namespace sysinfo
