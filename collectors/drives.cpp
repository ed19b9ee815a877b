// The Drives section: Win32_DiskDrive's lines, the size with its unit.
#include <array>

#include "base/format.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/section.h"

namespace sysinfo {
namespace {

// The drive's size with its unit ("500.11 GB"); a Null size prints nothing after the label.
std::optional<std::string> Bytes(const SourceValue& size) {
  const auto text = ValueText(size);
  if (!text) return std::nullopt;
  return FormatBytes(*text);
}

// Alphabetical but for the geometry, which follows "Status: ". "DeviceID: " is spelt without
// the blank that other sections put in "Device ID: ".
constexpr std::array<SectionLine, 30> kLines{{
    {"Caption: ", "Caption", {1, 1, 1}},
    {"CompressionMethod: ", "CompressionMethod", {0, 1, 1}},
    {"Description: ", "Description", {1, 1, 1}},
    {"DeviceID: ", "DeviceID", {0, 1, 1}},
    {"FirmwareRevision: ", "FirmwareRevision", {0, 1, 1}},
    {"Index: ", "Index", {0, 0, 1}},
    {"InterfaceType: ", "InterfaceType", {1, 1, 1}},
    {"Manufacturer: ", "Manufacturer", {1, 1, 1}},
    {"MediaType: ", "MediaType", {0, 1, 1}},
    {"Model: ", "Model", {1, 1, 1}},
    {"Name: ", "Name", {0, 1, 1}},
    {"NeedsCleaning: ", "NeedsCleaning", {0, 1, 1}},
    {"NumberOfMediaSupported: ", "NumberOfMediaSupported", {0, 0, 1}},
    {"Partitions: ", "Partitions", {1, 1, 1}},
    {"PNPDeviceID: ", "PNPDeviceID", {0, 1, 1}},
    {"SCSIBus: ", "SCSIBus", {0, 0, 1}},
    {"SCSILogicalUnit: ", "SCSILogicalUnit", {0, 0, 1}},
    {"SCSIPort: ", "SCSIPort", {0, 0, 1}},
    {"SCSITargetId: ", "SCSITargetId", {0, 0, 1}},
    {"SerialNumber: ", "SerialNumber", {0, 1, 1}},
    {"Signature: ", "Signature", {0, 1, 1}},
    {"Size: ", "Size", {1, 1, 1}, Bytes},
    {"Status: ", "Status", {0, 1, 1}},
    {"BytesPerSector: ", "BytesPerSector", {0, 0, 1}},
    {"SectorsPerTrack: ", "SectorsPerTrack", {0, 0, 1}},
    {"TotalCylinders: ", "TotalCylinders", {0, 0, 1}},
    {"TotalHeads: ", "TotalHeads", {0, 0, 1}},
    {"TotalSectors: ", "TotalSectors", {0, 0, 1}},
    {"TotalTracks: ", "TotalTracks", {0, 0, 1}},
    {"TracksPerCylinder: ", "TracksPerCylinder", {0, 0, 1}},
}};

// At Basic a disk has no device id: its model tells it apart.
// clang-format off
constexpr std::array<std::string_view, 2> kKey{"PNPDeviceID", "Model"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 3> kIdentifying{{
    {"PNPDeviceID", IdentityKind::DeviceId},
    {"SerialNumber", IdentityKind::Serial},
    {"Signature", IdentityKind::Id},
}};
// clang-format on

constexpr std::string_view kQuery = "SELECT * FROM Win32_DiskDrive";

}  // namespace

void CollectDrives(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSection(report, wmi, kQuery, kLines, level);
}

extern const CategoryDefinition kDrivesCategory{
    "Drives", StartLine::WithDetail, Over<CollectDrives>, {kKey, kChanging, kIdentifying, kQuery}};

}  // namespace sysinfo
