// The Processes section: every Win32_Process, sorted by name.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

// Sizes, counts and times are printed as the numbers WMI gives.
constexpr std::array<TableLine, 31> kLines{{
    {"Name: ", "Name", {1, 1, 1}},
    {"CommandLine: ", "CommandLine", {1, 1, 1}},
    {"ExecutablePath: ", "ExecutablePath", {1, 1, 1}},
    {"Handle: ", "Handle", {0, 1, 1}},
    {"HandleCount: ", "HandleCount", {0, 1, 1}},
    {"KernelModeTime: ", "KernelModeTime", {0, 0, 1}},
    {"MaximumWorkingSetSize: ", "MaximumWorkingSetSize", {0, 1, 1}},
    {"MinimumWorkingSetSize: ", "MinimumWorkingSetSize", {0, 1, 1}},
    {"OtherOperationCount: ", "OtherOperationCount", {0, 0, 1}},
    {"OtherTransferCount: ", "OtherTransferCount", {0, 0, 1}},
    {"PageFaults: ", "PageFaults", {0, 1, 1}},
    {"PageFileUsage: ", "PageFileUsage", {0, 1, 1}},
    {"ParentProcessId: ", "ParentProcessId", {0, 1, 1}},
    {"PeakPageFileUsage: ", "PeakPageFileUsage", {0, 0, 1}},
    {"PeakVirtualSize: ", "PeakVirtualSize", {0, 0, 1}},
    {"PeakWorkingSetSize: ", "PeakWorkingSetSize", {0, 0, 1}},
    {"Priority: ", "Priority", {0, 1, 1}},
    {"PrivatePageCount: ", "PrivatePageCount", {0, 0, 1}},
    {"ProcessId: ", "ProcessId", {0, 1, 1}},
    {"QuotaNonPagedPoolUsage: ", "QuotaNonPagedPoolUsage", {0, 0, 1}},
    {"QuotaPagedPoolUsage: ", "QuotaPagedPoolUsage", {0, 0, 1}},
    {"QuotaPeakNonPagedPoolUsage: ", "QuotaPeakNonPagedPoolUsage", {0, 0, 1}},
    {"QuotaPeakPagedPoolUsage: ", "QuotaPeakPagedPoolUsage", {0, 0, 1}},
    {"ReadOperationCount: ", "ReadOperationCount", {0, 0, 1}},
    {"ReadTransferCount: ", "ReadTransferCount", {0, 0, 1}},
    {"ThreadCount: ", "ThreadCount", {0, 1, 1}},
    {"UserModeTime: ", "UserModeTime", {0, 0, 1}},
    {"VirtualSize: ", "VirtualSize", {0, 1, 1}},
    {"WorkingSetSize: ", "WorkingSetSize", {0, 1, 1}},
    {"WriteOperationCount: ", "WriteOperationCount", {0, 0, 1}},
    {"WriteTransferCount: ", "WriteTransferCount", {0, 0, 1}},
}};

constexpr SortedSection kSection{"SELECT * FROM Win32_Process", "Name", kLines};

// Its id changes with every start: a process is told apart by what runs.
// clang-format off
constexpr std::array<std::string_view, 3> kKey{"Name", "ExecutablePath", "CommandLine"};
constexpr std::array<std::string_view, 28> kChanging{"Handle", "HandleCount", "KernelModeTime", "MaximumWorkingSetSize", "MinimumWorkingSetSize", "OtherOperationCount", "OtherTransferCount", "PageFaults", "PageFileUsage", "ParentProcessId", "PeakPageFileUsage", "PeakVirtualSize", "PeakWorkingSetSize", "Priority", "PrivatePageCount", "ProcessId", "QuotaNonPagedPoolUsage", "QuotaPagedPoolUsage", "QuotaPeakNonPagedPoolUsage", "QuotaPeakPagedPoolUsage", "ReadOperationCount", "ReadTransferCount", "ThreadCount", "UserModeTime", "VirtualSize", "WorkingSetSize", "WriteOperationCount", "WriteTransferCount"};
constexpr std::span<const IdentifyingField> kIdentifying{};
// clang-format on

}  // namespace

void CollectProcesses(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSortedWmiSection(report, wmi, kSection, level);
}

extern const CategoryDefinition kProcessesCategory{
    "Processes", StartLine::WithDetail, Over<CollectProcesses>, {kKey, kChanging, kIdentifying}};

}  // namespace sysinfo
