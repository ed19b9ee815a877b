#include <array>

#include "app/format.h"
#include "app/report.h"
#include "app/yield.h"
#include "collectors/collectors.h"
#include "collectors/section.h"

namespace sysinfo {
namespace {

constexpr std::string_view kUnableToDetect = "Unable to Detect";

// "<bank label> - Size <capacity with unit>"; left out when the class lacks either property.
void WriteModule(ReportWriter& report, const WmiObject& module) {
  const auto bank = ValueText(module.Get("BankLabel"));
  const auto capacity = ValueText(module.Get("Capacity"));
  if (!bank || !capacity) return;
  report.WriteReportLine(*bank + " - Size " + FormatBytes(*capacity));
}

// Page-file sizes are whole megabytes as WMI gives them; a Null size still gets its unit.
std::optional<std::string> Megabytes(const WmiValue& size) {
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
  if (pageFile) {
    for (const SectionLine& line : kPageFileLines) {
      if (auto text = line.format(pageFile->Get(line.property))) {
        report.WriteReportLine(std::string(line.label) + *text);
      }
    }
  }
  const WmiValue temp = pageFile ? pageFile->Get("TempPageFile") : WmiValue{Unreadable{}};
  const bool isTemp = std::holds_alternative<bool>(temp) && std::get<bool>(temp);
  report.WriteReportLine(isTemp ? "Temp Page File: True" : "Temp Page File: False");
}

// Runs the query and writes each object; a query that fails before delivering anything still
// writes once, without an object. Returns how many passes were written.
template <class WriteOne>
int WriteEach(WmiService& wmi, std::string_view wql, WriteOne writeOne) {
  auto result = wmi.ExecQuery(wql);
  int passes = 0;
  while (const WmiObject* object = result->Next()) {
    writeOne(object);
    ++passes;
    Yield();
  }
  if (passes == 0 && result->Status() != QueryStatus::Ok) {
    writeOne(nullptr);
    ++passes;
  }
  return passes;
}

void CloseSubsection(ReportWriter& report, int passes) {
  Yield();
  if (passes == 0) report.WriteReportLine(kUnableToDetect);
  Yield();
  report.WriteReportLine(SeparatorLine);
}

// Byte amounts are 64-bit products of a page count and the page size: 8 GB must not wrap.
template <std::uint64_t PerformanceInfo::*pages>
std::string Bytes(const PerformanceInfo& info) {
  return FormatBytes(static_cast<std::int64_t>(info.*pages * info.pageSize));
}

std::string UsedBytes(const PerformanceInfo& info) {
  const auto total = static_cast<std::int64_t>(info.physicalTotal * info.pageSize);
  const auto available = static_cast<std::int64_t>(info.physicalAvailable * info.pageSize);
  return FormatBytes(total - available);
}

template <std::uint64_t PerformanceInfo::*count>
std::string Count(const PerformanceInfo& info) {
  return std::to_string(info.*count);
}

struct StatisticsLine {
  std::string_view label;
  std::string (*value)(const PerformanceInfo&);
  Levels levels;
};

// "Memory Used:: " and "Commit Limit : " are part of the report's established format: keep them.
constexpr std::array<StatisticsLine, 14> kStatisticsLines{{
    {"Memory Total: ", Bytes<&PerformanceInfo::physicalTotal>, {1, 1, 1}},
    {"Memory Used:: ", UsedBytes, {1, 1, 1}},
    {"Memory Available: ", Bytes<&PerformanceInfo::physicalAvailable>, {1, 1, 1}},
    {"Process Count: ", Count<&PerformanceInfo::processCount>, {1, 1, 1}},
    {"Thread Count: ", Count<&PerformanceInfo::threadCount>, {0, 1, 1}},
    {"Handle Count: ", Count<&PerformanceInfo::handleCount>, {0, 1, 1}},
    {"System Cache: ", Bytes<&PerformanceInfo::systemCache>, {0, 1, 1}},
    {"Commit Total: ", Bytes<&PerformanceInfo::commitTotal>, {0, 0, 1}},
    {"Commit Limit : ", Bytes<&PerformanceInfo::commitLimit>, {0, 0, 1}},
    {"Commit Peak: ", Bytes<&PerformanceInfo::commitPeak>, {0, 0, 1}},
    {"Kernel Total: ", Bytes<&PerformanceInfo::kernelTotal>, {0, 0, 1}},
    {"Kernel Paged: ", Bytes<&PerformanceInfo::kernelPaged>, {0, 0, 1}},
    {"Kernel Non Paged: ", Bytes<&PerformanceInfo::kernelNonpaged>, {0, 0, 1}},
    {"Page Size: ", Count<&PerformanceInfo::pageSize>, {0, 0, 1}},
}};

}  // namespace

void CollectMemory(ReportWriter& report, WmiService& wmi, const ReadPerformance& readPerformance,
                   int level) {
  report.WriteReportLine("(Installed Physical Memory Modules)");
  const int modules = WriteEach(wmi, "Select * from Win32_PhysicalMemory", [&](const WmiObject* module) {
    if (module) WriteModule(report, *module);
  });
  CloseSubsection(report, modules);

  report.WriteReportLine("(Page File Info)");
  const int pageFiles = WriteEach(wmi, "Select * from Win32_PageFileUsage",
                                  [&](const WmiObject* pageFile) { WritePageFile(report, pageFile); });
  CloseSubsection(report, pageFiles);

  report.WriteReportLine("(Memory Stats)");
  const PerformanceInfo info = readPerformance();
  Yield();
  for (const StatisticsLine& line : kStatisticsLines) {
    if (line.levels.Has(level)) report.WriteReportLine(std::string(line.label) + line.value(info));
  }
  report.WriteReportLine(SeparatorLine);
}

}  // namespace sysinfo
