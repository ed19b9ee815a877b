// The Startup Items section: every Win32_StartupCommand, sorted by name.
#include <array>

#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

constexpr std::array<std::string_view, 6> kColumns{
    "Name", "Command", "Location", "SettingID", "User", "UserSID",
};

// "SettingID: " is an Advanced line and comes before "User: ".
constexpr std::array<TableLine, 6> kLines{{
    {"Name: ", "Name", {1, 1, 1}},
    {"Command: ", "Command", {1, 1, 1}},
    {"Location: ", "Location", {1, 1, 1}},
    {"SettingID: ", "SettingID", {0, 0, 1}},
    {"User: ", "User", {0, 1, 1}},
    {"UserSID: ", "UserSID", {0, 1, 1}},
}};

constexpr SortedSection kSection{kColumns, "Name", kLines};

}  // namespace

void CollectStartupItems(ReportWriter& report, WmiService& wmi, int level) {
  PrintSortedWmiSection(report, wmi, "SELECT * FROM Win32_StartupCommand", kSection, level);
}

}  // namespace sysinfo
