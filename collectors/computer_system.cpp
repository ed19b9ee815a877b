// The Computer System section: Win32_ComputerSystem's lines with their coded values named.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/section.h"

namespace sysinfo {
namespace {

constexpr std::array<CodeSuffix, 6> kDomainRoles{{
    {0, " - Standalone Workstation"},
    {1, " - Member Workstation"},
    {2, " - Standalone Server"},
    {3, " - Member Server"},
    {4, " - Backup Domain Controller"},
    {5, " - Primary Domain Controller"},
}};

constexpr std::array<CodeSuffix, 6> kThermalStates{{
    {1, " - Other"},
    {2, " - Unknown"},
    {3, " - Safe"},
    {4, " - Warning"},
    {5, " - Critical"},
    {6, " - Nonrecoverable"},
}};

constexpr std::array<CodeSuffix, 9> kWakeUpTypes{{
    {0, " - Reserved"},
    {1, " - Other"},
    {2, " - Unknown"},
    {3, " - APM Timer"},
    {4, " - Modem Ring"},
    {5, " - LAN Remote"},
    {6, " - Power Switch"},
    {7, " - PCI PME#"},
    {8, " - AC Power Restored"},
}};

constexpr std::array<SectionLine, 23> kLines{{
    {"Bootup State: ", "BootupState", {1, 1, 1}},
    {"Caption: ", "Caption", {1, 1, 1}},
    {"Current Time Zone: ", "CurrentTimeZone", {0, 0, 1}},
    {"Daylight In Effect: ", "DaylightInEffect", {0, 0, 1}},
    {"Description: ", "Description", {0, 1, 1}},
    {"Workgroup: ", "Workgroup", {1, 1, 1}},
    {"Domain: ", "Domain", {1, 1, 1}},
    {"Part Of Domain: ", "PartOfDomain", {1, 1, 1}},
    {"Domain Role: ", "DomainRole", {1, 1, 1}, Coded<kDomainRoles>},
    {"Enable Daylight Savings Time: ", "EnableDaylightSavingsTime", {0, 1, 1}},
    {"Infrared Supported: ", "InfraredSupported", {0, 1, 1}},
    {"Manufacturer: ", "Manufacturer", {1, 1, 1}},
    {"Model: ", "Model", {1, 1, 1}},
    {"Name: ", "Name", {1, 1, 1}},
    {"Network Server Mode Enabled: ", "NetworkServerModeEnabled", {0, 0, 1}},
    {"Number Of Logical Processors: ", "NumberOfLogicalProcessors", {1, 1, 1}},
    {"Number Of Processors: ", "NumberOfProcessors", {1, 1, 1}},
    {"Status: ", "Status", {1, 1, 1}},
    {"System Startup Delay: ", "SystemStartupDelay", {0, 1, 1}},
    {"System Type: ", "SystemType", {1, 1, 1}},
    {"Thermal State: ", "ThermalState", {0, 0, 1}, Coded<kThermalStates>},
    {"User Name: ", "UserName", {1, 1, 1}},
    {"Wake Up Type: ", "WakeUpType", {0, 0, 1}, Coded<kWakeUpTypes>},
}};

// One computer: matched by position.
// clang-format off
constexpr std::span<const std::string_view> kKey{};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 5> kIdentifying{{
    {"Caption", IdentityKind::Computer},
    {"Name", IdentityKind::Computer},
    {"Workgroup", IdentityKind::Domain},
    {"Domain", IdentityKind::Domain},
    {"UserName", IdentityKind::Account},
}};
// clang-format on

constexpr std::string_view kQuery = "SELECT * FROM Win32_ComputerSystem";

}  // namespace

void CollectComputerSystem(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSection(report, wmi, kQuery, kLines, level);
}

extern const CategoryDefinition kComputerSystemCategory{"Computer System",
                                                        StartLine::WithDetail,
                                                        Over<CollectComputerSystem>,
                                                        {kKey, kChanging, kIdentifying, kQuery}};

}  // namespace sysinfo
