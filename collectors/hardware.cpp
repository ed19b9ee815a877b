// The Hardware section: every Win32_PnPEntity, sorted by caption.
#include <array>

#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

constexpr std::array<std::string_view, 16> kColumns{
    "Caption",
    "Availability",
    "ClassGuid",
    "ConfigManagerErrorCode",
    "ConfigManagerUserConfig",
    "Description",
    "DeviceID",
    "ErrorCleared",
    "ErrorDescription",
    "InstallDate",
    "LastErrorCode",
    "Manufacturer",
    "Name",
    "PNPDeviceID",
    "Service",
    "Status",
};

// Codes (availability, device-manager error) are printed as the numbers WMI gives.
constexpr std::array<TableLine, 16> kLines{{
    {"Caption: ", "Caption", {1, 1, 1}},
    {"Availability: ", "Availability", {0, 0, 1}},
    {"Class Guid: ", "ClassGuid", {0, 1, 1}},
    {"Config Manager Error Code: ", "ConfigManagerErrorCode", {0, 0, 1}},
    {"Config Manager User Config: ", "ConfigManagerUserConfig", {0, 0, 1}},
    {"Description: ", "Description", {0, 1, 1}},
    {"Device ID: ", "DeviceID", {1, 1, 1}},
    {"Error Cleared: ", "ErrorCleared", {0, 0, 1}},
    {"Error Description: ", "ErrorDescription", {0, 0, 1}},
    {"Install Date: ", "InstallDate", {0, 1, 1}},
    {"Last Error Code: ", "LastErrorCode", {0, 0, 1}},
    {"Manufacturer: ", "Manufacturer", {1, 1, 1}},
    {"Name: ", "Name", {0, 1, 1}},
    {"PNP Device ID: ", "PNPDeviceID", {0, 1, 1}},
    {"Service: ", "Service", {1, 1, 1}},
    {"Status: ", "Status", {1, 1, 1}},
}};

constexpr SortedSection kSection{kColumns, "Caption", kLines};

}  // namespace

void CollectHardware(ReportWriter& report, WmiService& wmi, int level) {
  PrintSortedWmiSection(report, wmi, "SELECT * FROM Win32_PnPEntity", kSection, level);
}

}  // namespace sysinfo
