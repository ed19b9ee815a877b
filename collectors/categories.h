// The report's fifteen categories, one row each: check-list text, start line and collector.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "base/scan.h"
#include "collectors/category_fields.h"
#include "collectors/collectors.h"
#include "collectors/wmi.h"

namespace sysinfo {

// Writes one category's block at the detail level (1 to 3).
using CollectFunction = void (*)(ReportWriter& report, Sources& sources, int level);

// A category whose collector reads the machine through WMI alone.
template <void (*collect)(ReportWriter&, WmiService&, int)>
void Wmi(ReportWriter& report, Sources& sources, int level) {
  collect(report, sources.wmi, level);
}

// Native: the file-system redirection of 32-bit programs is off while the collector runs, so a
// 32-bit build sees the real System32 (drivers, the hosts file) as a 64-bit one does.
enum class FileView { Redirected, Native };

struct CategoryRow {
  std::string_view text;  // the check-list text, also the settings key and the --category name
  StartLine startLine;
  CollectFunction collect;
  const CategoryFields* fields;  // match keys, fields that change by themselves, identifying ones
  FileView files = FileView::Redirected;
};

// The check-list order; a category's index is its position in this list.
// clang-format off
inline constexpr std::array<CategoryRow, 15> kCategoryRows{{
    {"Operating System",  StartLine::WithDetail,     Wmi<CollectOperatingSystem>,          &kOperatingSystemFields},
    {"Computer System",   StartLine::WithDetail,     Wmi<CollectComputerSystem>,           &kComputerSystemFields},
    {"CPU",               StartLine::WithDetail,     Wmi<CollectCpu>,                      &kCpuFields},
    {"Drives",            StartLine::WithDetail,     Wmi<CollectDrives>,                   &kDrivesFields},
    {"Drivers",           StartLine::WithDetail,     Wmi<CollectDrivers>,                  &kDriversFields},
    {"Hardware",          StartLine::WithDetail,     Wmi<CollectHardware>,                 &kHardwareFields},
    {"Host File Info",    StartLine::WithHostsPath,  CollectHostsFile,                     &kHostsFileFields, FileView::Native},
    {"Memory (Ram)",      StartLine::WithDetail,     CollectMemory,                        &kMemoryFields},
    {"Network Protocols", StartLine::WithDetail,     Wmi<CollectNetworkProtocols>,         &kNetworkProtocolsFields},
    {"Processes",         StartLine::WithDetail,     Wmi<CollectProcesses>,                &kProcessesFields},
    {"Proxy Info",        StartLine::Plain,          CollectProxyInfo,                     &kProxyInfoFields, FileView::Native},
    {"Services",          StartLine::WithDetail,     Wmi<CollectServices>,                 &kServicesFields},
    {"Software",          StartLine::WithDetail,     CollectSoftware,                      &kSoftwareFields, FileView::Native},
    {"Startup Items",     StartLine::WithDetail,     Wmi<CollectStartupItems>,             &kStartupItemsFields},
    {"Suspicious Files!", StartLine::WithDetail,     CollectSuspiciousFiles,               &kSuspiciousFilesFields, FileView::Native},
}};
// clang-format on
inline constexpr std::size_t kCategoryCount = kCategoryRows.size();

// The rows as the scan driver sees them (filled at start-up: the declared fields live in the
// collectors' own files).
inline const std::array<Category, kCategoryCount> kCategories = [] {
  std::array<Category, kCategoryCount> categories{};
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    categories[i] = {kCategoryRows[i].text, kCategoryRows[i].startLine,
                     kCategoryRows[i].fields->identifying};
  }
  return categories;
}();

// The index of a category by its exact check-list text.
constexpr std::optional<std::size_t> FindCategory(std::string_view text) {
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    if (kCategoryRows[i].text == text) return i;
  }
  return std::nullopt;
}

}  // namespace sysinfo
