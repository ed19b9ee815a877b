// The Services section: every Win32_Service, sorted by display name.
#include <array>

#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

constexpr std::array<std::string_view, 15> kColumns{
    "DisplayName",
    "Name",
    "Description",
    "PathName",
    "AcceptPause",
    "AcceptStop",
    "CheckPoint",
    "DesktopInteract",
    "ErrorControl",
    "ProcessId",
    "ServiceType",
    "Started",
    "StartMode",
    "StartName",
    "State",
};

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
constexpr SortedSection kSection{kColumns, "DisplayName", kLines};

}  // namespace

void CollectServices(ReportWriter& report, WmiService& wmi, int level) {
  PrintSortedWmiSection(report, wmi, "SELECT * FROM Win32_Service", kSection, level);
}

}  // namespace sysinfo
