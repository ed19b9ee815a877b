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
constexpr const char* kOsQuery = "SELECT * FROM Win32_OperatingSystem";
constexpr const char* kCsQuery = "SELECT * FROM Win32_ComputerSystem";

FakeWmiObject FullOperatingSystem() {
  return FakeWmiObject{
      {"Caption", std::string("  Microsoft Windows 10 Pro ")},
      {"OSArchitecture", std::string("64-bit")},
      {"Version", std::string("10.0.19045")},
      {"CSDVersion", Null{}},
      {"Status", std::string("OK")},
      {"NumberOfUsers", std::uint64_t{2}},
      {"RegisteredUser", Null{}},
      {"Organization", std::string("Acme")},
      {"SerialNumber", std::string("00330-80000-00000-AA000")},
      {"CountryCode", std::string("1")},
      {"CurrentTimeZone", std::int64_t{-300}},
      {"EncryptionLevel", std::uint64_t{256}},
      {"OSLanguage", std::uint64_t{1033}},
      {"ProductType", std::uint64_t{1}},
      {"BootDevice", std::string("\\Device\\HarddiskVolume1")},
      {"SystemDevice", std::string("\\Device\\HarddiskVolume2")},
      {"SystemDirectory", std::string("C:\\Windows\\system32")},
      {"SystemDrive", std::string("C:")},
      {"WindowsDirectory", std::string("C:\\Windows")},
      {"DataExecutionPrevention_32BitApplications", true},
      {"DataExecutionPrevention_Available", true},
      {"DataExecutionPrevention_Drivers", false},
      {"DataExecutionPrevention_SupportPolicy", std::uint64_t{2}},
  };
}

Lines Collect(void (*collect)(ReportWriter&, WmiService&, int), FakeWmi& wmi, int level) {
  CapturedReport report;
  collect(report.writer(), wmi, level);
  return report.Lines();
}

Lines OperatingSystemLines(const FakeWmiObject& os, int level) {
  FakeWmi wmi;
  wmi.Answer(kOsQuery, FakeQuery{{os}});
  return Collect(CollectOperatingSystem, wmi, level);
}

TEST(OperatingSystemSection, PrintsTheLinesOfEachLevel) {
  const Lines basic = {
      "Microsoft Windows 10 Pro (64-bit) 10.0.19045 ",
      "Registered User: ",
      "Organization: Acme",
      "Serial Number: 00330-80000-00000-AA000",
      "OS Language: English - United States",
      "Product Type: 1 - Work Station",
      kSeparator,
  };
  const Lines moderate = {
      "Microsoft Windows 10 Pro (64-bit) 10.0.19045 ",
      "Status: OK",
      "Number Of Users: 2",
      "Registered User: ",
      "Organization: Acme",
      "Serial Number: 00330-80000-00000-AA000",
      "Country Code: 1",
      "Current Time Zone: -300",
      "OS Language: English - United States",
      "Product Type: 1 - Work Station",
      kSeparator,
  };
  const Lines advanced = {
      "Microsoft Windows 10 Pro (64-bit) 10.0.19045 ",
      "Status: OK",
      "Number Of Users: 2",
      "Registered User: ",
      "Organization: Acme",
      "Serial Number: 00330-80000-00000-AA000",
      "Country Code: 1",
      "Current Time Zone: -300",
      "Encryption Level: 256",
      "OS Language: English - United States",
      "Product Type: 1 - Work Station",
      "Boot Device: \\Device\\HarddiskVolume1",
      "System Device: \\Device\\HarddiskVolume2",
      "System Directory: C:\\Windows\\system32",
      "System Drive: C:",
      "Windows Directory: C:\\Windows",
      "Data Execution Prevention 32Bit Applications: True",
      "Data Execution Prevention Available: True",
      "Data Execution Prevention Drivers: False",
      "Data Execution Prevention Support Policy: 2",
      kSeparator,
  };
  EXPECT_EQ(OperatingSystemLines(FullOperatingSystem(), 1), basic);
  EXPECT_EQ(OperatingSystemLines(FullOperatingSystem(), 2), moderate);
  EXPECT_EQ(OperatingSystemLines(FullOperatingSystem(), 3), advanced);
  EXPECT_EQ(OperatingSystemLines(FullOperatingSystem(), 0), Lines{});
  EXPECT_EQ(OperatingSystemLines(FullOperatingSystem(), 4), Lines{});
}

TEST(OperatingSystemSection, ProductTypeAndLanguageRules) {
  struct Case {
    WmiValue productType;
    WmiValue language;
    Lines expectedTail;  // the lines after "Serial Number: "
  };
  const Case cases[] = {
      {std::uint64_t{2}, std::uint64_t{2057},
       {"OS Language: English - United Kingdom", "Product Type: 2 - Domain Controller"}},
      {std::uint64_t{3}, std::uint64_t{1064}, {"OS Language: 1064", "Product Type: 3 - Server"}},
      {std::uint64_t{4}, Null{}, {}},          // unknown product type and Null language: no lines
      {Null{}, Unreadable{}, {}},
      {Unreadable{}, std::string("1031"), {"OS Language: German - Germany"}},
  };
  for (const Case& c : cases) {
    FakeWmiObject os = FullOperatingSystem();
    os.Set("ProductType", c.productType).Set("OSLanguage", c.language);
    Lines expected = {"Microsoft Windows 10 Pro (64-bit) 10.0.19045 ", "Registered User: ",
                      "Organization: Acme", "Serial Number: 00330-80000-00000-AA000"};
    expected.insert(expected.end(), c.expectedTail.begin(), c.expectedTail.end());
    expected.push_back(kSeparator);
    EXPECT_EQ(OperatingSystemLines(os, 1), expected);
  }
}

TEST(OperatingSystemSection, CaptionLineAndUnreadableProperties) {
  FakeWmiObject os = FullOperatingSystem();
  os.Set("OSArchitecture", Unreadable{}).Set("CSDVersion", std::string("Service Pack 1"));
  EXPECT_EQ(OperatingSystemLines(os, 1).front(), "Microsoft Windows 10 Pro () 10.0.19045 Service Pack 1");

  // A property the class does not define drops its line; the others stay.
  os = FullOperatingSystem();
  os.Set("Organization", Unreadable{}).Set("Version", Unreadable{});
  const Lines basic = OperatingSystemLines(os, 1);
  const Lines expected = {"Registered User: ", "Serial Number: 00330-80000-00000-AA000",
                          "OS Language: English - United States", "Product Type: 1 - Work Station",
                          kSeparator};
  EXPECT_EQ(basic, expected);
}

TEST(OperatingSystemSection, FailedOrEmptyQueries) {
  FakeWmi failed;
  failed.Fail(kOsQuery);
  EXPECT_EQ(Collect(CollectOperatingSystem, failed, 3), Lines{kSeparator});

  FakeWmi timedOut;
  timedOut.Answer(kOsQuery, FakeQuery{{}, QueryStatus::TimedOut});
  EXPECT_EQ(Collect(CollectOperatingSystem, timedOut, 1), Lines{kSeparator});

  FakeWmi empty;
  empty.Answer(kOsQuery, FakeQuery{});
  EXPECT_EQ(Collect(CollectOperatingSystem, empty, 2), Lines{});

  // A provider that stops answering after one object keeps that object's block.
  FakeWmi stalled;
  stalled.Answer(kOsQuery, FakeQuery{{FullOperatingSystem()}, QueryStatus::TimedOut});
  EXPECT_EQ(Collect(CollectOperatingSystem, stalled, 1).size(), 7u);
  EXPECT_EQ(stalled.Asked(), std::vector<std::string>{kOsQuery});
}

FakeWmiObject FullComputerSystem() {
  return FakeWmiObject{
      {"BootupState", std::string("Normal boot")},
      {"Caption", std::string("DESKTOP-1")},
      {"CurrentTimeZone", std::int64_t{60}},
      {"DaylightInEffect", false},
      {"Description", std::string("AT/AT COMPATIBLE")},
      {"Workgroup", std::string("WORKGROUP")},
      {"Domain", std::string("WORKGROUP")},
      {"PartOfDomain", false},
      {"DomainRole", std::uint64_t{1}},
      {"EnableDaylightSavingsTime", true},
      {"InfraredSupported", false},
      {"Manufacturer", std::string("Acme")},
      {"Model", std::string("Box 9")},
      {"Name", std::string("DESKTOP-1")},
      {"NetworkServerModeEnabled", true},
      {"NumberOfLogicalProcessors", std::uint64_t{8}},
      {"NumberOfProcessors", std::uint64_t{1}},
      {"Status", std::string("OK")},
      {"SystemStartupDelay", Null{}},
      {"SystemType", std::string("x64-based PC")},
      {"ThermalState", std::uint64_t{3}},
      {"UserName", std::string("DESKTOP-1\\ann")},
      {"WakeUpType", std::uint64_t{6}},
  };
}

Lines ComputerSystemLines(const FakeWmiObject& cs, int level) {
  FakeWmi wmi;
  wmi.Answer(kCsQuery, FakeQuery{{cs}});
  return Collect(CollectComputerSystem, wmi, level);
}

TEST(ComputerSystemSection, PrintsTheLinesOfEachLevel) {
  const Lines basic = {
      "Bootup State: Normal boot", "Caption: DESKTOP-1", "Workgroup: WORKGROUP",
      "Domain: WORKGROUP", "Part Of Domain: False", "Domain Role: 1 - Member Workstation",
      "Manufacturer: Acme", "Model: Box 9", "Name: DESKTOP-1", "Number Of Logical Processors: 8",
      "Number Of Processors: 1", "Status: OK", "System Type: x64-based PC",
      "User Name: DESKTOP-1\\ann", kSeparator,
  };
  const Lines moderate = {
      "Bootup State: Normal boot", "Caption: DESKTOP-1", "Description: AT/AT COMPATIBLE",
      "Workgroup: WORKGROUP", "Domain: WORKGROUP", "Part Of Domain: False",
      "Domain Role: 1 - Member Workstation", "Enable Daylight Savings Time: True",
      "Infrared Supported: False", "Manufacturer: Acme", "Model: Box 9", "Name: DESKTOP-1",
      "Number Of Logical Processors: 8", "Number Of Processors: 1", "Status: OK",
      "System Startup Delay: ", "System Type: x64-based PC", "User Name: DESKTOP-1\\ann", kSeparator,
  };
  const Lines advanced = {
      "Bootup State: Normal boot", "Caption: DESKTOP-1", "Current Time Zone: 60",
      "Daylight In Effect: False", "Description: AT/AT COMPATIBLE", "Workgroup: WORKGROUP",
      "Domain: WORKGROUP", "Part Of Domain: False", "Domain Role: 1 - Member Workstation",
      "Enable Daylight Savings Time: True", "Infrared Supported: False", "Manufacturer: Acme",
      "Model: Box 9", "Name: DESKTOP-1", "Network Server Mode Enabled: True",
      "Number Of Logical Processors: 8", "Number Of Processors: 1", "Status: OK",
      "System Startup Delay: ", "System Type: x64-based PC", "Thermal State: 3 - Safe",
      "User Name: DESKTOP-1\\ann", "Wake Up Type: 6 - Power Switch", kSeparator,
  };
  EXPECT_EQ(ComputerSystemLines(FullComputerSystem(), 1), basic);
  EXPECT_EQ(ComputerSystemLines(FullComputerSystem(), 2), moderate);
  EXPECT_EQ(ComputerSystemLines(FullComputerSystem(), 3), advanced);
}

// The line a coded property prints at Advanced, or "" when it prints none.
std::string CodedLine(const char* property, WmiValue value, const std::string& label) {
  FakeWmiObject cs = FullComputerSystem();
  cs.Set(property, std::move(value));
  for (const std::string& line : ComputerSystemLines(cs, 3)) {
    if (line.rfind(label, 0) == 0) return line;
  }
  return "";
}

TEST(ComputerSystemSection, CodedPropertiesPrintTheirWords) {
  const char* domainRoles[] = {"Standalone Workstation", "Member Workstation", "Standalone Server",
                               "Member Server", "Backup Domain Controller", "Primary Domain Controller"};
  for (std::uint64_t code = 0; code < 6; ++code) {
    EXPECT_EQ(CodedLine("DomainRole", code, "Domain Role: "),
              "Domain Role: " + std::to_string(code) + " - " + domainRoles[code]);
  }
  const char* thermal[] = {"Other", "Unknown", "Safe", "Warning", "Critical", "Nonrecoverable"};
  for (std::uint64_t code = 1; code <= 6; ++code) {
    EXPECT_EQ(CodedLine("ThermalState", code, "Thermal State: "),
              "Thermal State: " + std::to_string(code) + " - " + thermal[code - 1]);
  }
  const char* wakeUp[] = {"Reserved", "Other", "Unknown", "APM Timer", "Modem Ring",
                          "LAN Remote", "Power Switch", "PCI PME#", "AC Power Restored"};
  for (std::uint64_t code = 0; code <= 8; ++code) {
    EXPECT_EQ(CodedLine("WakeUpType", code, "Wake Up Type: "),
              "Wake Up Type: " + std::to_string(code) + " - " + wakeUp[code]);
  }
  // Values outside the tables, and Null, print no line at all.
  EXPECT_EQ(CodedLine("ThermalState", std::uint64_t{0}, "Thermal State: "), "");
  EXPECT_EQ(CodedLine("DomainRole", std::uint64_t{6}, "Domain Role: "), "");
  EXPECT_EQ(CodedLine("WakeUpType", Null{}, "Wake Up Type: "), "");
}

TEST(ComputerSystemSection, TwoObjectsAndAFailedQuery) {
  FakeWmi two;
  two.Answer(kCsQuery, FakeQuery{{FullComputerSystem(), FullComputerSystem()}});
  const Lines lines = Collect(CollectComputerSystem, two, 1);
  ASSERT_EQ(lines.size(), 30u);
  EXPECT_EQ(lines[14], kSeparator);
  EXPECT_EQ(lines[15], "Bootup State: Normal boot");

  FakeWmi failed;
  failed.Fail(kCsQuery);
  EXPECT_EQ(Collect(CollectComputerSystem, failed, 2), Lines{kSeparator});
}

TEST(WmiValueText, EveryValueKind) {
  EXPECT_EQ(ValueText(WmiValue{Unreadable{}}), std::nullopt);
  EXPECT_EQ(ValueText(WmiValue{Null{}}), "");
  EXPECT_EQ(ValueText(WmiValue{std::string(" padded ")}), " padded ");
  EXPECT_EQ(ValueText(WmiValue{std::int64_t{-300}}), "-300");
  EXPECT_EQ(ValueText(WmiValue{std::uint64_t{4294967295u}}), "4294967295");
  EXPECT_EQ(ValueText(WmiValue{std::uint64_t{18446744073709551615u}}), "18446744073709551615");
  EXPECT_EQ(ValueText(WmiValue{true}), "True");
  EXPECT_EQ(ValueText(WmiValue{false}), "False");
  EXPECT_EQ(ValueText(WmiValue{3.3}), "3.3");
  EXPECT_EQ(ValueText(WmiValue{1.0}), "1");
}

}  // namespace
}  // namespace sysinfo
