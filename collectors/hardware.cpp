// The Hardware section: every Win32_PnPEntity, sorted by caption.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

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

constexpr SortedSection kSection{"SELECT * FROM Win32_PnPEntity", "Caption", kLines};

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"DeviceID"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 2> kIdentifying{{
    {"DeviceID", IdentityKind::DeviceId},
    {"PNPDeviceID", IdentityKind::DeviceId},
}};
// clang-format on

}  // namespace

void CollectHardware(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSortedWmiSection(report, wmi, kSection, level);
}

extern const CategoryDefinition kHardwareCategory{"Hardware",
                                                  StartLine::WithDetail,
                                                  Over<CollectHardware>,
                                                  {kKey, kChanging, kIdentifying, kSection.wql}};

}  // namespace sysinfo
