// The Services section: every Win32_Service, sorted by display name.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

constexpr std::array<TableLine, 15> kLines{{
    {"Display Name: ", "DisplayName", {1, 1, 1}},
    {"Name: ", "Name", {1, 1, 1}},
    {"Description: ", "Description", {1, 1, 1}},
    {"Path Name: ", "PathName", {1, 1, 1}},
    {"Accept Pause: ", "AcceptPause", {0, 0, 1}},
    {"Accept Stop: ", "AcceptStop", {0, 0, 1}},
    {"Check Point: ", "CheckPoint", {0, 1, 1}},
    {"Desktop Interact: ", "DesktopInteract", {0, 0, 1}},
    {"Error Control: ", "ErrorControl", {0, 0, 1}},
    {"Process Id: ", "ProcessId", {0, 1, 1}},
    {"Service Type: ", "ServiceType", {0, 0, 1}},
    {"Started: ", "Started", {0, 1, 1}},
    {"Start Mode: ", "StartMode", {0, 1, 1}},
    {"Start Name: ", "StartName", {0, 1, 1}},
    {"State: ", "State", {1, 1, 1}},
}};

// Services are listed by the name people see, not by their key name.
constexpr SortedSection kSection{"SELECT * FROM Win32_Service", "DisplayName", kLines};

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"Name"};
constexpr std::array<std::string_view, 2> kChanging{"ProcessId", "CheckPoint"};
constexpr std::array<IdentifyingField, 1> kIdentifying{{
    {"StartName", IdentityKind::Account},
}};
// clang-format on

}  // namespace

void CollectServices(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSortedWmiSection(report, wmi, kSection, level);
}

extern const CategoryDefinition kServicesCategory{"Services",
                                                  StartLine::WithDetail,
                                                  Over<CollectServices>,
                                                  {kKey, kChanging, kIdentifying, kSection.wql}};

}  // namespace sysinfo
