// The Drivers section: every Win32_SystemDriver, sorted by caption.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

constexpr std::array<TableLine, 19> kLines{{
    {"Caption: ", "Caption", {1, 1, 1}},
    {"Name: ", "Name", {1, 1, 1}},
    {"Path Name: ", "PathName", {1, 1, 1}},
    {"Accept Pause: ", "AcceptPause", {0, 1, 1}},
    {"Accept Stop: ", "AcceptStop", {0, 1, 1}},
    {"Description: ", "Description", {0, 1, 1}},
    {"Desktop Interact: ", "DesktopInteract", {0, 0, 1}},
    {"Display Name: ", "DisplayName", {0, 0, 1}},
    {"Error Control: ", "ErrorControl", {0, 0, 1}},
    {"Exit Code: ", "ExitCode", {0, 0, 1}},
    {"Install Date: ", "InstallDate", {0, 0, 1}},
    {"Service Specific Exit Code: ", "ServiceSpecificExitCode", {0, 0, 1}},
    {"Service Type: ", "ServiceType", {0, 1, 1}},
    {"Started: ", "Started", {0, 1, 1}},
    {"Start Mode: ", "StartMode", {0, 1, 1}},
    {"Start Name: ", "StartName", {0, 0, 1}},
    {"State: ", "State", {0, 1, 1}},
    {"Status: ", "Status", {0, 1, 1}},
    {"Tag Id: ", "TagId", {0, 0, 1}},
}};

constexpr SortedSection kSection{"SELECT * FROM Win32_SystemDriver", "Caption", kLines};

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"Name"};
constexpr std::array<std::string_view, 2> kChanging{"ExitCode", "ServiceSpecificExitCode"};
constexpr std::array<IdentifyingField, 1> kIdentifying{{
    {"StartName", IdentityKind::Account},
}};
// clang-format on

}  // namespace

void CollectDrivers(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSortedWmiSection(report, wmi, kSection, level);
}

extern const CategoryDefinition kDriversCategory{"Drivers",
                                                 StartLine::WithDetail,
                                                 Over<CollectDrivers>,
                                                 {kKey, kChanging, kIdentifying, kSection.wql}};

}  // namespace sysinfo
