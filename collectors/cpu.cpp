// The CPU section: Win32_Processor's lines, the voltage in volts.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/section.h"

namespace sysinfo {
namespace {

// WMI reports the voltage in tenths of a volt: a raw 12 prints 1.2, a raw 10 prints 1.
std::optional<std::string> Volts(const SourceValue& tenths) {
  if (IsUnreadable(tenths) || IsNull(tenths)) return ValueText(tenths);
  if (const auto* number = std::get_if<double>(&tenths)) return ValueText(*number / 10);
  const auto whole = WholeNumber(tenths);
  if (!whole) return std::nullopt;  // not a number: the division fails and the line is left out
  return ValueText(static_cast<double>(*whole) / 10);
}

constexpr std::array<SectionLine, 33> kLines{{
    {"Address Width: ", "AddressWidth", {0, 1, 1}},
    {"Architecture: ", "Architecture", {1, 1, 1}},
    {"Availability: ", "Availability", {0, 1, 1}},
    {"Caption: ", "Caption", {1, 1, 1}},
    {"Cpu Status: ", "CpuStatus", {0, 1, 1}},
    {"Current Clock Speed: ", "CurrentClockSpeed", {1, 1, 1}},
    {"Current Voltage: ", "CurrentVoltage", {1, 1, 1}, Volts},
    {"Data Width: ", "DataWidth", {0, 0, 1}},
    {"Description: ", "Description", {1, 1, 1}},
    {"Device ID: ", "DeviceID", {1, 1, 1}},
    {"Family: ", "Family", {1, 1, 1}},
    {"L2CacheSize: ", "L2CacheSize", {1, 1, 1}},
    {"L3CacheSize: ", "L3CacheSize", {1, 1, 1}},
    {"Level: ", "Level", {0, 1, 1}},
    {"Manufacturer: ", "Manufacturer", {1, 1, 1}},
    {"MaxClockSpeed: ", "MaxClockSpeed", {1, 1, 1}},
    {"Name: ", "Name", {1, 1, 1}},
    {"NumberOfCores: ", "NumberOfCores", {1, 1, 1}},
    {"NumberOfLogicalProcessors: ", "NumberOfLogicalProcessors", {1, 1, 1}},
    {"OtherFamilyDescription: ", "OtherFamilyDescription", {0, 0, 1}},
    {"PNPDeviceID: ", "PNPDeviceID", {0, 0, 1}},
    {"ProcessorId: ", "ProcessorId", {0, 1, 1}},
    {"ProcessorType: ", "ProcessorType", {0, 1, 1}},
    {"Revision: ", "Revision", {0, 1, 1}},
    {"Role: ", "Role", {0, 0, 1}},
    {"SocketDesignation: ", "SocketDesignation", {0, 1, 1}},
    {"Status: ", "Status", {0, 0, 1}},
    {"StatusInfo: ", "StatusInfo", {0, 0, 1}},
    {"Stepping: ", "Stepping", {0, 0, 1}},
    {"UniqueId: ", "UniqueId", {0, 0, 1}},
    {"UpgradeMethod: ", "UpgradeMethod", {0, 0, 1}},
    {"Version: ", "Version", {0, 0, 1}},
    {"VoltageCaps: ", "VoltageCaps", {0, 0, 1}},
}};

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"DeviceID"};
constexpr std::array<std::string_view, 2> kChanging{"CurrentClockSpeed", "CurrentVoltage"};
constexpr std::array<IdentifyingField, 2> kIdentifying{{
    {"PNPDeviceID", IdentityKind::DeviceId},
    {"UniqueId", IdentityKind::Id},
}};
// clang-format on

constexpr std::string_view kQuery = "SELECT * FROM Win32_Processor";

}  // namespace

void CollectCpu(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSection(report, wmi, kQuery, kLines, level);
}

extern const CategoryDefinition kCpuCategory{
    "CPU", StartLine::WithDetail, Over<CollectCpu>, {kKey, kChanging, kIdentifying, kQuery}};

}  // namespace sysinfo
