// The Memory section: memory modules, page files and the system's performance figures.
#include <array>

#include "base/format.h"
#include "report/report.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/section.h"

namespace sysinfo {
namespace {

constexpr std::string_view kUnableToDetect = "Unable to Detect";

// "<bank label> - Size <capacity with unit>"; left out when the class lacks either property.
void WriteModule(ReportWriter& report, const WmiObject& module) {
  const SourceValue bankValue = module.Get("BankLabel");
  const SourceValue capacityValue = module.Get("Capacity");
  const auto bank = ValueText(bankValue);
  const auto capacity = ValueText(capacityValue);
  if (!bank || !capacity) return;
  report.WriteReportLine(*bank + " - Size " + FormatBytes(*capacity));
  report.BeginItem();
  report.RecordField("BankLabel", bankValue);
  report.RecordField("Capacity", capacityValue);
  report.EndItem();
}

// Page-file sizes are whole megabytes as WMI gives them; a Null size still gets its unit.
std::optional<std::string> Megabytes(const SourceValue& size) {
  const auto text = ValueText(size);
  if (!text) return std::nullopt;
  return *text + " MB";
}

constexpr std::array<SectionLine, 4> kPageFileLines{{
    {"Name: ", "Name", {1, 1, 1}},
    {"Allocated Size: ", "AllocatedBaseSize", {1, 1, 1}, Megabytes},
    {"Current Usage: ", "CurrentUsage", {1, 1, 1}, Megabytes},
    {"Peak Usage: ", "PeakUsage", {1, 1, 1}, Megabytes},
}};

// Without an object (a failed query) only the temp-page-file line is written, as False.
void WritePageFile(ReportWriter& report, const WmiObject* pageFile) {
  report.BeginItem();
  if (pageFile) {
    for (const SectionLine& line : kPageFileLines) {
      const SourceValue value = pageFile->Get(line.property);
      if (auto text = line.format(value))
        report.WriteField(line.label, *text, line.property, value);
    }
  }
  const SourceValue temp = pageFile ? pageFile->Get("TempPageFile") : SourceValue{Unreadable{}};
  const bool isTemp = std::holds_alternative<bool>(temp) && std::get<bool>(temp);
  report.WriteReportLine(isTemp ? "Temp Page File: True" : "Temp Page File: False");
  report.RecordField("TempPageFile", isTemp);
  report.EndItem();
}

// Runs the query and writes each object; a query that fails before delivering anything still
// writes once, without an object. Returns how many passes were written.
template <class WriteOne>
int WriteEach(ReportWriter& report, WmiService& wmi, std::string_view wql, WriteOne writeOne) {
  auto result = wmi.ExecQuery(wql);
  int passes = 0;
  while (const WmiObject* object = result->Next()) {
    writeOne(object);
    ++passes;
  }
  if (passes == 0 && result->Outcome()) {
    writeOne(nullptr);
    ++passes;
  }
  report.SourceEnded(result->Outcome());
  return passes;
}

void CloseSubsection(ReportWriter& report, int passes) {
  if (passes == 0) report.WriteReportLine(kUnableToDetect);
  report.WriteReportLine(SeparatorLine);
}

// Byte amounts are 64-bit products of a page count and the page size: 8 GB must not wrap.
template <std::uint64_t PerformanceInfo::*pages>
std::uint64_t Bytes(const PerformanceInfo& info) {
  return info.*pages * info.pageSize;
}

std::uint64_t UsedBytes(const PerformanceInfo& info) {
  return (info.physicalTotal - info.physicalAvailable) * info.pageSize;
}

template <std::uint64_t PerformanceInfo::*count>
std::uint64_t Count(const PerformanceInfo& info) {
  return info.*count;
}

enum class Unit { Bytes, Count };

// One line of the statistics: its label, its name in the JSON report, and its amount.
struct StatisticsLine {
  std::string_view label;
  std::string_view name;
  std::uint64_t (*amount)(const PerformanceInfo&);
  Unit unit;
  Levels levels;
};

// "Memory Used:: " and "Commit Limit : " are part of the report's established format: keep them.
// clang-format off
constexpr std::array<StatisticsLine, 14> kStatisticsLines{{
    {"Memory Total: ", "PhysicalTotal", Bytes<&PerformanceInfo::physicalTotal>, Unit::Bytes, {1, 1, 1}},
    {"Memory Used:: ", "PhysicalUsed", UsedBytes, Unit::Bytes, {1, 1, 1}},
    {"Memory Available: ", "PhysicalAvailable", Bytes<&PerformanceInfo::physicalAvailable>, Unit::Bytes, {1, 1, 1}},
    {"Process Count: ", "ProcessCount", Count<&PerformanceInfo::processCount>, Unit::Count, {1, 1, 1}},
    {"Thread Count: ", "ThreadCount", Count<&PerformanceInfo::threadCount>, Unit::Count, {0, 1, 1}},
    {"Handle Count: ", "HandleCount", Count<&PerformanceInfo::handleCount>, Unit::Count, {0, 1, 1}},
    {"System Cache: ", "SystemCache", Bytes<&PerformanceInfo::systemCache>, Unit::Bytes, {0, 1, 1}},
    {"Commit Total: ", "CommitTotal", Bytes<&PerformanceInfo::commitTotal>, Unit::Bytes, {0, 0, 1}},
    {"Commit Limit : ", "CommitLimit", Bytes<&PerformanceInfo::commitLimit>, Unit::Bytes, {0, 0, 1}},
    {"Commit Peak: ", "CommitPeak", Bytes<&PerformanceInfo::commitPeak>, Unit::Bytes, {0, 0, 1}},
    {"Kernel Total: ", "KernelTotal", Bytes<&PerformanceInfo::kernelTotal>, Unit::Bytes, {0, 0, 1}},
    {"Kernel Paged: ", "KernelPaged", Bytes<&PerformanceInfo::kernelPaged>, Unit::Bytes, {0, 0, 1}},
    {"Kernel Non Paged: ", "KernelNonpaged", Bytes<&PerformanceInfo::kernelNonpaged>, Unit::Bytes, {0, 0, 1}},
    {"Page Size: ", "PageSize", Count<&PerformanceInfo::pageSize>, Unit::Count, {0, 0, 1}},
}};
// clang-format on

// Byte amounts print with their unit, counts as plain numbers. The JSON report gets the number
// the text was made from, with the same sign the text shows.
void WriteStatistic(ReportWriter& report, const StatisticsLine& line, const PerformanceInfo& info) {
  const std::uint64_t amount = line.amount(info);
  if (line.unit == Unit::Bytes) {
    const auto bytes = static_cast<std::int64_t>(amount);
    report.WriteField(line.label, FormatBytes(bytes), line.name, bytes);
  } else {
    report.WriteField(line.label, std::to_string(amount), line.name, amount);
  }
}

// A module by its bank, a page file by its name; the statistics by position.
// clang-format off
constexpr std::array<std::string_view, 2> kKey{"BankLabel", "Name"};
constexpr std::array<std::string_view, 13> kChanging{"PhysicalUsed", "PhysicalAvailable", "ProcessCount", "ThreadCount", "HandleCount", "SystemCache", "CommitTotal", "CommitPeak", "KernelTotal", "KernelPaged", "KernelNonpaged", "CurrentUsage", "PeakUsage"};
constexpr std::span<const IdentifyingField> kIdentifying{};
// clang-format on
constexpr std::array<std::string_view, 3> kSubsections{"Installed Physical Memory Modules",
                                                       "Page File Info", "Memory Stats"};
// The JSON report's "subsections", each a "name" of the three and its "items".
constexpr ReportShape kShape{
    .list = "subsections", .name = "name", .names = kSubsections, .groupText = "sub-section"};

}  // namespace

void CollectMemory(ReportWriter& report, WmiService& wmi, const ReadPerformance& readPerformance,
                   DetailLevel level) {
  report.BeginGroup(kSubsections[0]);
  report.WriteReportLine("(Installed Physical Memory Modules)");
  const int modules = WriteEach(report, wmi, "Select * from Win32_PhysicalMemory",
                                [&](const WmiObject* module) {
                                  if (module) WriteModule(report, *module);
                                });
  CloseSubsection(report, modules);
  report.EndGroup();

  report.BeginGroup(kSubsections[1]);
  report.WriteReportLine("(Page File Info)");
  const int pageFiles = WriteEach(
      report, wmi, "Select * from Win32_PageFileUsage",
      [&](const WmiObject* pageFile) { WritePageFile(report, pageFile); });
  CloseSubsection(report, pageFiles);
  report.EndGroup();

  report.BeginGroup(kSubsections[2]);
  report.WriteReportLine("(Memory Stats)");
  const PerformanceReading reading = readPerformance();
  report.SourceEnded(reading.error);
  report.BeginItem();
  for (const StatisticsLine& line : kStatisticsLines) {
    if (line.levels.Has(level)) WriteStatistic(report, line, reading.value);
  }
  report.EndItem();
  report.WriteReportLine(SeparatorLine);
  report.EndGroup();
}

extern const CategoryDefinition kMemoryCategory{
    "Memory (Ram)",
    StartLine::WithDetail,
    [](ReportWriter& report, const Sources& sources, DetailLevel level) {
      WmiService* wmi = sources.Need<WmiService>(report);
      const PerformanceSource* performance = sources.Need<PerformanceSource>(report);
      if (wmi && performance) CollectMemory(report, *wmi, performance->read, level);
    },
    {kKey, kChanging, kIdentifying},
    kShape};

}  // namespace sysinfo
