// The Startup Items section: every Win32_StartupCommand, sorted by name.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

// "SettingID: " is an Advanced line and comes before "User: ".
constexpr std::array<TableLine, 6> kLines{{
    {"Name: ", "Name", {1, 1, 1}},
    {"Command: ", "Command", {1, 1, 1}},
    {"Location: ", "Location", {1, 1, 1}},
    {"SettingID: ", "SettingID", {0, 0, 1}},
    {"User: ", "User", {0, 1, 1}},
    {"UserSID: ", "UserSID", {0, 1, 1}},
}};

constexpr SortedSection kSection{"SELECT * FROM Win32_StartupCommand", "Name", kLines};

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 2> kKey{"Command", "Location"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 1> kIdentifying{{
    {"User", IdentityKind::Account},
}};
// clang-format on

}  // namespace

void CollectStartupItems(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSortedWmiSection(report, wmi, kSection, level);
}

extern const CategoryDefinition kStartupItemsCategory{
    "Startup Items",
    StartLine::WithDetail,
    Over<CollectStartupItems>,
    {kKey, kChanging, kIdentifying, kSection.wql}};

}  // namespace sysinfo
