// The report's categories in check-list order.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "collectors/category.h"

namespace sysinfo {

// Each defined at the end of its collector's file.
extern const CategoryDefinition kOperatingSystemCategory, kComputerSystemCategory, kCpuCategory,
    kDrivesCategory, kDriversCategory, kHardwareCategory, kHostsFileCategory, kMemoryCategory,
    kNetworkProtocolsCategory, kProcessesCategory, kProxyInfoCategory, kServicesCategory,
    kSoftwareCategory, kStartupItemsCategory, kSuspiciousFilesCategory, kAutostartEntriesCategory,
    kUserSoftwareCategory, kStoreAppsCategory, kWindowsUpdatesCategory, kBrowserExtensionsCategory;

// The check-list order; a category's index is its position in this list.
inline constexpr std::array kCategoryList{
    &kOperatingSystemCategory,
    &kComputerSystemCategory,
    &kCpuCategory,
    &kDrivesCategory,
    &kDriversCategory,
    &kHardwareCategory,
    &kHostsFileCategory,
    &kMemoryCategory,
    &kNetworkProtocolsCategory,
    &kProcessesCategory,
    &kProxyInfoCategory,
    &kServicesCategory,
    &kSoftwareCategory,
    &kStartupItemsCategory,
    &kSuspiciousFilesCategory,
    &kAutostartEntriesCategory,
    &kUserSoftwareCategory,
    &kStoreAppsCategory,
    &kWindowsUpdatesCategory,
    &kBrowserExtensionsCategory,
};
inline constexpr std::size_t kCategoryCount = kCategoryList.size();

// The index of the category with this exact check-list text.
std::optional<std::size_t> FindCategory(std::string_view text);

}  // namespace sysinfo
