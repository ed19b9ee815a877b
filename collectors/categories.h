// The report's categories in check-list order, and the scan's view of them over the sources.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "base/scan.h"
#include "collectors/category.h"

namespace sysinfo {

// Each defined at the end of its collector's file.
extern const CategoryDefinition kOperatingSystemCategory, kComputerSystemCategory, kCpuCategory,
    kDrivesCategory, kDriversCategory, kHardwareCategory, kHostsFileCategory, kMemoryCategory,
    kNetworkProtocolsCategory, kProcessesCategory, kProxyInfoCategory, kServicesCategory,
    kSoftwareCategory, kStartupItemsCategory, kSuspiciousFilesCategory, kAutostartEntriesCategory;

// The check-list order; a category's index is its position in this list.
inline constexpr std::array kCategoryList{
    &kOperatingSystemCategory,  &kComputerSystemCategory, &kCpuCategory,
    &kDrivesCategory,           &kDriversCategory,        &kHardwareCategory,
    &kHostsFileCategory,        &kMemoryCategory,         &kNetworkProtocolsCategory,
    &kProcessesCategory,        &kProxyInfoCategory,      &kServicesCategory,
    &kSoftwareCategory,         &kStartupItemsCategory,   &kSuspiciousFilesCategory,
    &kAutostartEntriesCategory,
};
inline constexpr std::size_t kCategoryCount = kCategoryList.size();

// The index of the category with this exact check-list text.
std::optional<std::size_t> FindCategory(std::string_view text);

// How the scan frames the category at the level; `filePath` is the file a category that copies
// one names on its start line.
CategoryFrame FrameOf(const CategoryDefinition& category, int level, std::string_view filePath);

// The list as a scan runs over it, each category collected from these sources. The Windows
// build's own turns the file-system redirection off for a category that asks for it.
class DeclaredCategories : public ScanCategories {
 public:
  explicit DeclaredCategories(Sources& sources) : sources_(sources) {}
  std::size_t Count() const override { return kCategoryCount; }
  CategoryFrame Frame(std::size_t index, int level) const override;
  void Collect(ReportWriter& report, std::size_t index, int level) override;

 private:
  Sources& sources_;
};

}  // namespace sysinfo
