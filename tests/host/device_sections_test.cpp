// The CPU and Drives sections: one block per object in the order WMI delivers them.
#include <gtest/gtest.h>

#include "app/format.h"
#include "collectors/collectors.h"
#include "tests/fakes/fake_wmi.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::FakeQuery;
using testing::FakeWmi;
using testing::FakeWmiObject;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);
constexpr const char* kCpuQuery = "SELECT * FROM Win32_Processor";
constexpr const char* kDrivesQuery = "SELECT * FROM Win32_DiskDrive";

Lines Collect(void (*collect)(ReportWriter&, WmiService&, int), FakeWmi& wmi, int level) {
  CapturedReport report;
  collect(report.writer(), wmi, level);
  return report.Lines();
}

Lines CollectOne(void (*collect)(ReportWriter&, WmiService&, int), const char* query,
                 const FakeWmiObject& object, int level) {
  FakeWmi wmi;
  wmi.Answer(query, FakeQuery{{object}});
  return Collect(collect, wmi, level);
}

FakeWmiObject Processor() {
  return FakeWmiObject{
      {"AddressWidth", std::uint64_t{64}},
      {"Architecture", std::uint64_t{9}},
      {"Availability", std::uint64_t{3}},
      {"Caption", std::string("Intel64 Family 6 Model 167 Stepping 1")},
      {"CpuStatus", std::uint64_t{1}},
      {"CurrentClockSpeed", std::uint64_t{2600}},
      {"CurrentVoltage", std::uint64_t{12}},
      {"DataWidth", std::uint64_t{64}},
      {"Description", std::string("Intel64 Family 6 Model 167 Stepping 1")},
      {"DeviceID", std::string("CPU0")},
      {"Family", std::uint64_t{198}},
      {"L2CacheSize", std::uint64_t{2048}},
      {"L3CacheSize", std::uint64_t{16384}},
      {"Level", std::uint64_t{6}},
      {"Manufacturer", std::string("GenuineIntel")},
      {"MaxClockSpeed", std::uint64_t{2592}},
      {"Name", std::string("11th Gen Intel(R) Core(TM) i7-11700 @ 2.50GHz")},
      {"NumberOfCores", std::uint64_t{8}},
      {"NumberOfLogicalProcessors", std::uint64_t{16}},
      {"OtherFamilyDescription", Null{}},
      {"PNPDeviceID", Null{}},
      {"ProcessorId", std::string("BFEBFBFF000A0671")},
      {"ProcessorType", std::uint64_t{3}},
      {"Revision", std::uint64_t{42753}},
      {"Role", std::string("CPU")},
      {"SocketDesignation", std::string("LGA1200")},
      {"Status", std::string("OK")},
      {"StatusInfo", std::uint64_t{3}},
      {"Stepping", Null{}},
      {"UniqueId", Null{}},
      {"UpgradeMethod", std::uint64_t{1}},
      {"Version", std::string("")},
      {"VoltageCaps", std::uint64_t{4}},
  };
}

TEST(CpuSection, PrintsTheLinesOfEachLevel) {
  const Lines basic = {
      "Architecture: 9",
      "Caption: Intel64 Family 6 Model 167 Stepping 1",
      "Current Clock Speed: 2600",
      "Current Voltage: 1.2",
      "Description: Intel64 Family 6 Model 167 Stepping 1",
      "Device ID: CPU0",
      "Family: 198",
      "L2CacheSize: 2048",
      "L3CacheSize: 16384",
      "Manufacturer: GenuineIntel",
      "MaxClockSpeed: 2592",
      "Name: 11th Gen Intel(R) Core(TM) i7-11700 @ 2.50GHz",
      "NumberOfCores: 8",
      "NumberOfLogicalProcessors: 16",
      kSeparator,
  };
  const Lines moderate = {
      "Address Width: 64",
      "Architecture: 9",
      "Availability: 3",
      "Caption: Intel64 Family 6 Model 167 Stepping 1",
      "Cpu Status: 1",
      "Current Clock Speed: 2600",
      "Current Voltage: 1.2",
      "Description: Intel64 Family 6 Model 167 Stepping 1",
      "Device ID: CPU0",
      "Family: 198",
      "L2CacheSize: 2048",
      "L3CacheSize: 16384",
      "Level: 6",
      "Manufacturer: GenuineIntel",
      "MaxClockSpeed: 2592",
      "Name: 11th Gen Intel(R) Core(TM) i7-11700 @ 2.50GHz",
      "NumberOfCores: 8",
      "NumberOfLogicalProcessors: 16",
      "ProcessorId: BFEBFBFF000A0671",
      "ProcessorType: 3",
      "Revision: 42753",
      "SocketDesignation: LGA1200",
      kSeparator,
  };
  const Lines advanced = {
      "Address Width: 64",
      "Architecture: 9",
      "Availability: 3",
      "Caption: Intel64 Family 6 Model 167 Stepping 1",
      "Cpu Status: 1",
      "Current Clock Speed: 2600",
      "Current Voltage: 1.2",
      "Data Width: 64",
      "Description: Intel64 Family 6 Model 167 Stepping 1",
      "Device ID: CPU0",
      "Family: 198",
      "L2CacheSize: 2048",
      "L3CacheSize: 16384",
      "Level: 6",
      "Manufacturer: GenuineIntel",
      "MaxClockSpeed: 2592",
      "Name: 11th Gen Intel(R) Core(TM) i7-11700 @ 2.50GHz",
      "NumberOfCores: 8",
      "NumberOfLogicalProcessors: 16",
      "OtherFamilyDescription: ",
      "PNPDeviceID: ",
      "ProcessorId: BFEBFBFF000A0671",
      "ProcessorType: 3",
      "Revision: 42753",
      "Role: CPU",
      "SocketDesignation: LGA1200",
      "Status: OK",
      "StatusInfo: 3",
      "Stepping: ",
      "UniqueId: ",
      "UpgradeMethod: 1",
      "Version: ",
      "VoltageCaps: 4",
      kSeparator,
  };
  ASSERT_EQ(basic.size(), 14u + 1);
  ASSERT_EQ(moderate.size(), 22u + 1);
  ASSERT_EQ(advanced.size(), 33u + 1);
  EXPECT_EQ(CollectOne(CollectCpu, kCpuQuery, Processor(), 1), basic);
  EXPECT_EQ(CollectOne(CollectCpu, kCpuQuery, Processor(), 2), moderate);
  EXPECT_EQ(CollectOne(CollectCpu, kCpuQuery, Processor(), 3), advanced);
  EXPECT_EQ(CollectOne(CollectCpu, kCpuQuery, Processor(), 0), Lines{});
  EXPECT_EQ(CollectOne(CollectCpu, kCpuQuery, Processor(), 4), Lines{});
}

// The voltage line at Basic for a raw CurrentVoltage; "" when no line is printed.
std::string VoltageLine(WmiValue raw) {
  FakeWmiObject cpu = Processor();
  cpu.Set("CurrentVoltage", std::move(raw));
  for (const std::string& line : CollectOne(CollectCpu, kCpuQuery, cpu, 1)) {
    if (line.rfind("Current Voltage: ", 0) == 0) return line;
  }
  return "";
}

TEST(CpuSection, VoltageIsTenthsOfAVolt) {
  const std::pair<WmiValue, std::string> cases[] = {
      {std::uint64_t{12}, "Current Voltage: 1.2"},
      {std::uint64_t{10}, "Current Voltage: 1"},
      {std::uint64_t{33}, "Current Voltage: 3.3"},
      {std::uint64_t{0}, "Current Voltage: 0"},
      {std::uint64_t{0x8B}, "Current Voltage: 13.9"},  // the whole value: no bit is masked first
      {std::int64_t{65535}, "Current Voltage: 6553.5"},
      {std::string("15"), "Current Voltage: 1.5"},
      {Null{}, "Current Voltage: "},
      {Unreadable{}, ""},
      {std::string("n/a"), ""},
  };
  for (const auto& [raw, expected] : cases) {
    EXPECT_EQ(VoltageLine(raw), expected) << ValueText(raw).value_or("(unreadable)");
  }
}

TEST(CpuSection, TwoPackagesMissingPropertiesAndFailures) {
  FakeWmiObject second = Processor();
  second.Set("DeviceID", std::string("CPU1"));
  // A system whose class lacks a property drops that line from every block.
  FakeWmiObject first = Processor();
  first.Set("L3CacheSize", Unreadable{});
  second.Set("L3CacheSize", Unreadable{});
  FakeWmi two;
  two.Answer(kCpuQuery, FakeQuery{{first, second}});
  const Lines lines = Collect(CollectCpu, two, 1);
  ASSERT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[5], "Device ID: CPU0");
  EXPECT_EQ(lines[8], "Manufacturer: GenuineIntel");
  EXPECT_EQ(lines[13], kSeparator);
  EXPECT_EQ(lines[14], "Architecture: 9");
  EXPECT_EQ(lines[19], "Device ID: CPU1");
  EXPECT_EQ(lines[27], kSeparator);

  FakeWmi failed;
  failed.Fail(kCpuQuery);
  EXPECT_EQ(Collect(CollectCpu, failed, 2), Lines{kSeparator});
  FakeWmi empty;
  empty.Answer(kCpuQuery, FakeQuery{});
  EXPECT_EQ(Collect(CollectCpu, empty, 3), Lines{});
}

FakeWmiObject Disk() {
  return FakeWmiObject{
      {"Caption", std::string("Samsung SSD 870 EVO 500GB")},
      {"CompressionMethod", Null{}},
      {"Description", std::string("Disk drive")},
      {"DeviceID", std::string("\\\\.\\PHYSICALDRIVE0")},
      {"FirmwareRevision", std::string("SVT01B6Q")},
      {"Index", std::uint64_t{0}},
      {"InterfaceType", std::string("IDE")},
      {"Manufacturer", std::string("(Standard disk drives)")},
      {"MediaType", std::string("Fixed hard disk media")},
      {"Model", std::string("Samsung SSD 870 EVO 500GB")},
      {"Name", std::string("\\\\.\\PHYSICALDRIVE0")},
      {"NeedsCleaning", Null{}},
      {"NumberOfMediaSupported", Null{}},
      {"Partitions", std::uint64_t{3}},
      {"PNPDeviceID", std::string("SCSI\\DISK&VEN_&PROD_SAMSUNG\\4&1&0&000000")},
      {"SCSIBus", std::uint64_t{0}},
      {"SCSILogicalUnit", std::uint64_t{0}},
      {"SCSIPort", std::uint64_t{1}},
      {"SCSITargetId", std::uint64_t{0}},
      {"SerialNumber", std::string("S5Y1NX0R123456")},
      {"Signature", std::uint64_t{3735928559u}},
      {"Size", std::uint64_t{500105249280}},
      {"Status", std::string("OK")},
      {"BytesPerSector", std::uint64_t{512}},
      {"SectorsPerTrack", std::uint64_t{63}},
      {"TotalCylinders", std::uint64_t{60801}},
      {"TotalHeads", std::uint64_t{255}},
      {"TotalSectors", std::uint64_t{976768065}},
      {"TotalTracks", std::uint64_t{15504255}},
      {"TracksPerCylinder", std::uint64_t{255}},
  };
}

TEST(DrivesSection, PrintsTheLinesOfEachLevel) {
  const Lines basic = {
      "Caption: Samsung SSD 870 EVO 500GB",
      "Description: Disk drive",
      "InterfaceType: IDE",
      "Manufacturer: (Standard disk drives)",
      "Model: Samsung SSD 870 EVO 500GB",
      "Partitions: 3",
      "Size: 465.76 GB",
      kSeparator,
  };
  const Lines moderate = {
      "Caption: Samsung SSD 870 EVO 500GB",
      "CompressionMethod: ",
      "Description: Disk drive",
      "DeviceID: \\\\.\\PHYSICALDRIVE0",
      "FirmwareRevision: SVT01B6Q",
      "InterfaceType: IDE",
      "Manufacturer: (Standard disk drives)",
      "MediaType: Fixed hard disk media",
      "Model: Samsung SSD 870 EVO 500GB",
      "Name: \\\\.\\PHYSICALDRIVE0",
      "NeedsCleaning: ",
      "Partitions: 3",
      "PNPDeviceID: SCSI\\DISK&VEN_&PROD_SAMSUNG\\4&1&0&000000",
      "SerialNumber: S5Y1NX0R123456",
      "Signature: 3735928559",
      "Size: 465.76 GB",
      "Status: OK",
      kSeparator,
  };
  const Lines advanced = {
      "Caption: Samsung SSD 870 EVO 500GB",
      "CompressionMethod: ",
      "Description: Disk drive",
      "DeviceID: \\\\.\\PHYSICALDRIVE0",
      "FirmwareRevision: SVT01B6Q",
      "Index: 0",
      "InterfaceType: IDE",
      "Manufacturer: (Standard disk drives)",
      "MediaType: Fixed hard disk media",
      "Model: Samsung SSD 870 EVO 500GB",
      "Name: \\\\.\\PHYSICALDRIVE0",
      "NeedsCleaning: ",
      "NumberOfMediaSupported: ",
      "Partitions: 3",
      "PNPDeviceID: SCSI\\DISK&VEN_&PROD_SAMSUNG\\4&1&0&000000",
      "SCSIBus: 0",
      "SCSILogicalUnit: 0",
      "SCSIPort: 1",
      "SCSITargetId: 0",
      "SerialNumber: S5Y1NX0R123456",
      "Signature: 3735928559",
      "Size: 465.76 GB",
      "Status: OK",
      "BytesPerSector: 512",
      "SectorsPerTrack: 63",
      "TotalCylinders: 60801",
      "TotalHeads: 255",
      "TotalSectors: 976768065",
      "TotalTracks: 15504255",
      "TracksPerCylinder: 255",
      kSeparator,
  };
  ASSERT_EQ(basic.size(), 7u + 1);
  ASSERT_EQ(moderate.size(), 17u + 1);
  ASSERT_EQ(advanced.size(), 30u + 1);
  EXPECT_EQ(CollectOne(CollectDrives, kDrivesQuery, Disk(), 1), basic);
  EXPECT_EQ(CollectOne(CollectDrives, kDrivesQuery, Disk(), 2), moderate);
  EXPECT_EQ(CollectOne(CollectDrives, kDrivesQuery, Disk(), 3), advanced);
  EXPECT_EQ(CollectOne(CollectDrives, kDrivesQuery, Disk(), -1), Lines{});
}

// The size line at Basic; "" when none is printed.
std::string SizeLine(WmiValue size) {
  FakeWmiObject disk = Disk();
  disk.Set("Size", std::move(size));
  for (const std::string& line : CollectOne(CollectDrives, kDrivesQuery, disk, 1)) {
    if (line.rfind("Size: ", 0) == 0) return line;
  }
  return "";
}

TEST(DrivesSection, SizeCarriesItsUnit) {
  const std::pair<WmiValue, std::string> cases[] = {
      {std::string("500105249280"), "Size: 465.76 GB"},  // 64-bit sizes arrive as text
      {std::uint64_t{2'000'398'934'016}, "Size: 1.82 TB"},
      {std::uint64_t{1'474'560}, "Size: 1.41 MB"},
      {std::uint64_t{0}, "Size: 0 Bytes"},
      {Null{}, "Size: "},
      {Unreadable{}, ""},
  };
  for (const auto& [size, expected] : cases) {
    EXPECT_EQ(SizeLine(size), expected) << ValueText(size).value_or("(unreadable)");
  }
}

TEST(DrivesSection, TwoDrivesAndFailures) {
  FakeWmiObject second = Disk();
  second.Set("Caption", std::string("USB Flash")).Set("Size", std::uint64_t{16'008'609'792});
  FakeWmi two;
  two.Answer(kDrivesQuery, FakeQuery{{Disk(), second}});
  const Lines lines = Collect(CollectDrives, two, 1);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[7], kSeparator);
  EXPECT_EQ(lines[8], "Caption: USB Flash");
  EXPECT_EQ(lines[14], "Size: 14.91 GB");
  EXPECT_EQ(lines[15], kSeparator);

  FakeWmi failed;
  failed.Fail(kDrivesQuery);
  EXPECT_EQ(Collect(CollectDrives, failed, 3), Lines{kSeparator});
  FakeWmi empty;
  empty.Answer(kDrivesQuery, FakeQuery{});
  EXPECT_EQ(Collect(CollectDrives, empty, 1), Lines{});
}

}  // namespace
}  // namespace sysinfo
