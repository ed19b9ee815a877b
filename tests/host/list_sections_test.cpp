// The sorted list sections: every line of a row at each level, the sort column, and the
// engine's rules as each section shows them.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>

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

// A row's expected lines are written "Label: %Property": the row's value of the property
// replaces "%Property"; "%" alone would stand for the label with nothing after it.
struct ListSection {
  const char* name;
  void (*collect)(ReportWriter&, WmiService&, int);
  const char* query;
  Lines properties;      // what the class is asked for, in column order
  const char* sortLabel;  // the line that carries the sort column
  std::array<std::size_t, 3> valueLines;  // lines per row at Basic, Moderate, Advanced
  std::array<Lines, 3> rows;              // one row's lines at Basic, Moderate, Advanced
};

const std::vector<ListSection>& Sections() {
  static const std::vector<ListSection> sections = {
      {"Drivers", CollectDrivers, "SELECT * FROM Win32_SystemDriver",
       {"Caption", "Name", "PathName", "AcceptPause", "AcceptStop", "Description",
        "DesktopInteract", "DisplayName", "ErrorControl", "ExitCode", "InstallDate",
        "ServiceSpecificExitCode", "ServiceType", "Started", "StartMode", "StartName", "State",
        "Status", "TagId"},
       "Caption: ",
       {3, 11, 19},
       {{{"Caption: %Caption", "Name: %Name", "Path Name: %PathName"},
         {"Caption: %Caption", "Name: %Name", "Path Name: %PathName", "Accept Pause: %AcceptPause",
          "Accept Stop: %AcceptStop", "Description: %Description", "Service Type: %ServiceType",
          "Started: %Started", "Start Mode: %StartMode", "State: %State", "Status: %Status"},
         {"Caption: %Caption", "Name: %Name", "Path Name: %PathName", "Accept Pause: %AcceptPause",
          "Accept Stop: %AcceptStop", "Description: %Description",
          "Desktop Interact: %DesktopInteract", "Display Name: %DisplayName",
          "Error Control: %ErrorControl", "Exit Code: %ExitCode", "Install Date: %InstallDate",
          "Service Specific Exit Code: %ServiceSpecificExitCode", "Service Type: %ServiceType",
          "Started: %Started", "Start Mode: %StartMode", "Start Name: %StartName", "State: %State",
          "Status: %Status", "Tag Id: %TagId"}}}},
      {"Hardware", CollectHardware, "SELECT * FROM Win32_PnPEntity",
       {"Caption", "Availability", "ClassGuid", "ConfigManagerErrorCode", "ConfigManagerUserConfig",
        "Description", "DeviceID", "ErrorCleared", "ErrorDescription", "InstallDate",
        "LastErrorCode", "Manufacturer", "Name", "PNPDeviceID", "Service", "Status"},
       "Caption: ",
       {5, 10, 16},
       {{{"Caption: %Caption", "Device ID: %DeviceID", "Manufacturer: %Manufacturer",
          "Service: %Service", "Status: %Status"},
         {"Caption: %Caption", "Class Guid: %ClassGuid", "Description: %Description",
          "Device ID: %DeviceID", "Install Date: %InstallDate", "Manufacturer: %Manufacturer",
          "Name: %Name", "PNP Device ID: %PNPDeviceID", "Service: %Service", "Status: %Status"},
         {"Caption: %Caption", "Availability: %Availability", "Class Guid: %ClassGuid",
          "Config Manager Error Code: %ConfigManagerErrorCode",
          "Config Manager User Config: %ConfigManagerUserConfig", "Description: %Description",
          "Device ID: %DeviceID", "Error Cleared: %ErrorCleared",
          "Error Description: %ErrorDescription", "Install Date: %InstallDate",
          "Last Error Code: %LastErrorCode", "Manufacturer: %Manufacturer", "Name: %Name",
          "PNP Device ID: %PNPDeviceID", "Service: %Service", "Status: %Status"}}}},
      {"Network Protocols", CollectNetworkProtocols, "SELECT * FROM Win32_NetworkProtocol",
       {"Name", "Caption", "ConnectionlessService", "Description", "GuaranteesDelivery",
        "GuaranteesSequencing", "InstallDate", "MaximumAddressSize", "MaximumMessageSize",
        "MessageOriented", "MinimumAddressSize", "PseudoStreamOriented", "Status",
        "SupportsBroadcasting", "SupportsConnectData", "SupportsDisconnectData",
        "SupportsEncryption", "SupportsExpeditedData", "SupportsFragmentation",
        "SupportsGracefulClosing", "SupportsGuaranteedBandwidth", "SupportsMulticasting",
        "SupportsQualityofService"},
       "Name: ",
       {3, 11, 23},
       {{{"Name: %Name", "Caption: %Caption", "Description: %Description"},
         {"Name: %Name", "Caption: %Caption", "Connectionless Service: %ConnectionlessService",
          "Description: %Description", "Guarantees Delivery: %GuaranteesDelivery",
          "Guarantees Sequencing: %GuaranteesSequencing",
          "Maximum Address Size: %MaximumAddressSize", "Maximum Message Size: %MaximumMessageSize",
          "Minimum Address Size: %MinimumAddressSize",
          "Pseudo Stream Oriented: %PseudoStreamOriented", "Status: %Status"},
         {"Name: %Name", "Caption: %Caption", "Connectionless Service: %ConnectionlessService",
          "Description: %Description", "Guarantees Delivery: %GuaranteesDelivery",
          "Guarantees Sequencing: %GuaranteesSequencing", "Install Date: %InstallDate",
          "Maximum Address Size: %MaximumAddressSize", "Maximum Message Size: %MaximumMessageSize",
          "Message Oriented: %MessageOriented", "Minimum Address Size: %MinimumAddressSize",
          "Pseudo Stream Oriented: %PseudoStreamOriented", "Status: %Status",
          "Supports Broadcasting: %SupportsBroadcasting",
          "Supports Connect Data: %SupportsConnectData",
          "Supports Disconnect Data: %SupportsDisconnectData",
          "Supports Encryption: %SupportsEncryption",
          "Supports Expedited Data: %SupportsExpeditedData",
          "Supports Fragmentation: %SupportsFragmentation",
          "Supports Graceful Closing: %SupportsGracefulClosing",
          "Supports Guaranteed Bandwidth: %SupportsGuaranteedBandwidth",
          "Supports Multicasting: %SupportsMulticasting",
          "Supports Quality of Service: %SupportsQualityofService"}}}},
      {"Processes", CollectProcesses, "SELECT * FROM Win32_Process",
       {"Name", "CommandLine", "ExecutablePath", "Handle", "HandleCount", "KernelModeTime",
        "MaximumWorkingSetSize", "MinimumWorkingSetSize", "OtherOperationCount",
        "OtherTransferCount", "PageFaults", "PageFileUsage", "ParentProcessId",
        "PeakPageFileUsage", "PeakVirtualSize", "PeakWorkingSetSize", "Priority",
        "PrivatePageCount", "ProcessId", "QuotaNonPagedPoolUsage", "QuotaPagedPoolUsage",
        "QuotaPeakNonPagedPoolUsage", "QuotaPeakPagedPoolUsage", "ReadOperationCount",
        "ReadTransferCount", "ThreadCount", "UserModeTime", "VirtualSize", "WorkingSetSize",
        "WriteOperationCount", "WriteTransferCount"},
       "Name: ",
       {3, 15, 31},
       {{{"Name: %Name", "CommandLine: %CommandLine", "ExecutablePath: %ExecutablePath"},
         {"Name: %Name", "CommandLine: %CommandLine", "ExecutablePath: %ExecutablePath",
          "Handle: %Handle", "HandleCount: %HandleCount",
          "MaximumWorkingSetSize: %MaximumWorkingSetSize",
          "MinimumWorkingSetSize: %MinimumWorkingSetSize", "PageFaults: %PageFaults",
          "PageFileUsage: %PageFileUsage", "ParentProcessId: %ParentProcessId",
          "Priority: %Priority", "ProcessId: %ProcessId", "ThreadCount: %ThreadCount",
          "VirtualSize: %VirtualSize", "WorkingSetSize: %WorkingSetSize"},
         {"Name: %Name", "CommandLine: %CommandLine", "ExecutablePath: %ExecutablePath",
          "Handle: %Handle", "HandleCount: %HandleCount", "KernelModeTime: %KernelModeTime",
          "MaximumWorkingSetSize: %MaximumWorkingSetSize",
          "MinimumWorkingSetSize: %MinimumWorkingSetSize",
          "OtherOperationCount: %OtherOperationCount", "OtherTransferCount: %OtherTransferCount",
          "PageFaults: %PageFaults", "PageFileUsage: %PageFileUsage",
          "ParentProcessId: %ParentProcessId", "PeakPageFileUsage: %PeakPageFileUsage",
          "PeakVirtualSize: %PeakVirtualSize", "PeakWorkingSetSize: %PeakWorkingSetSize",
          "Priority: %Priority", "PrivatePageCount: %PrivatePageCount", "ProcessId: %ProcessId",
          "QuotaNonPagedPoolUsage: %QuotaNonPagedPoolUsage",
          "QuotaPagedPoolUsage: %QuotaPagedPoolUsage",
          "QuotaPeakNonPagedPoolUsage: %QuotaPeakNonPagedPoolUsage",
          "QuotaPeakPagedPoolUsage: %QuotaPeakPagedPoolUsage",
          "ReadOperationCount: %ReadOperationCount", "ReadTransferCount: %ReadTransferCount",
          "ThreadCount: %ThreadCount", "UserModeTime: %UserModeTime", "VirtualSize: %VirtualSize",
          "WorkingSetSize: %WorkingSetSize", "WriteOperationCount: %WriteOperationCount",
          "WriteTransferCount: %WriteTransferCount"}}}},
      {"Services", CollectServices, "SELECT * FROM Win32_Service",
       {"DisplayName", "Name", "Description", "PathName", "AcceptPause", "AcceptStop",
        "CheckPoint", "DesktopInteract", "ErrorControl", "ProcessId", "ServiceType", "Started",
        "StartMode", "StartName", "State"},
       "Display Name: ",
       {5, 10, 15},
       {{{"Display Name: %DisplayName", "Name: %Name", "Description: %Description",
          "Path Name: %PathName", "State: %State"},
         {"Display Name: %DisplayName", "Name: %Name", "Description: %Description",
          "Path Name: %PathName", "Check Point: %CheckPoint", "Process Id: %ProcessId",
          "Started: %Started", "Start Mode: %StartMode", "Start Name: %StartName",
          "State: %State"},
         {"Display Name: %DisplayName", "Name: %Name", "Description: %Description",
          "Path Name: %PathName", "Accept Pause: %AcceptPause", "Accept Stop: %AcceptStop",
          "Check Point: %CheckPoint", "Desktop Interact: %DesktopInteract",
          "Error Control: %ErrorControl", "Process Id: %ProcessId", "Service Type: %ServiceType",
          "Started: %Started", "Start Mode: %StartMode", "Start Name: %StartName",
          "State: %State"}}}},
      {"Startup Items", CollectStartupItems, "SELECT * FROM Win32_StartupCommand",
       {"Name", "Command", "Location", "SettingID", "User", "UserSID"},
       "Name: ",
       {3, 5, 6},
       {{{"Name: %Name", "Command: %Command", "Location: %Location"},
         {"Name: %Name", "Command: %Command", "Location: %Location", "User: %User",
          "UserSID: %UserSID"},
         {"Name: %Name", "Command: %Command", "Location: %Location", "SettingID: %SettingID",
          "User: %User", "UserSID: %UserSID"}}}},
  };
  return sections;
}

// Every property of the section set to `mark` followed by its name; `overrides` win.
FakeWmiObject RowOf(const ListSection& section, const std::string& mark,
                    const std::map<std::string, WmiValue>& overrides = {}) {
  FakeWmiObject row;
  for (const std::string& property : section.properties) row.Set(property, mark + property);
  for (const auto& [property, value] : overrides) row.Set(property, value);
  return row;
}

// The block a row prints: "%" followed by a property name becomes mark + that name; with no
// mark (a failed query) the label stands alone. The separator closes it.
Lines Block(const Lines& templates, const std::optional<std::string>& mark) {
  Lines block;
  for (const std::string& line : templates) {
    const auto percent = line.find('%');
    const std::string label = line.substr(0, percent);
    block.push_back(mark ? label + *mark + line.substr(percent + 1) : label);
  }
  block.push_back(kSeparator);
  return block;
}

Lines Collect(const ListSection& section, FakeWmi& wmi, int level) {
  CapturedReport report;
  section.collect(report.writer(), wmi, level);
  return report.Lines();
}

TEST(ListSections, PrintEveryLineOfEachLevelInSortOrder) {
  for (const ListSection& section : Sections()) {
    SCOPED_TRACE(section.name);
    FakeWmi wmi;
    // Delivered in the opposite of their order by any column.
    wmi.Answer(section.query, FakeQuery{{RowOf(section, "b-"), RowOf(section, "A-")}});
    for (int level = 1; level <= 3; ++level) {
      SCOPED_TRACE(level);
      const Lines& templates = section.rows[level - 1];
      ASSERT_EQ(templates.size(), section.valueLines[level - 1]);
      Lines expected = Block(templates, "A-");
      const Lines second = Block(templates, "b-");
      expected.insert(expected.end(), second.begin(), second.end());
      EXPECT_EQ(Collect(section, wmi, level), expected);
    }
    EXPECT_EQ(Collect(section, wmi, 0), Lines{});
    EXPECT_EQ(Collect(section, wmi, 4), Lines{});
    EXPECT_EQ(wmi.Asked(), Lines(5, section.query));  // also filled when nothing is printed
  }
}

// The values of the sort column's line, in printed order.
Lines SortValues(const ListSection& section, const Lines& lines) {
  const std::string label = section.sortLabel;
  Lines values;
  for (const std::string& line : lines) {
    if (line.rfind(label, 0) == 0) values.push_back(line.substr(label.size()));
  }
  return values;
}

TEST(ListSections, SortOnTheirOwnColumnIgnoringCase) {
  for (const ListSection& section : Sections()) {
    SCOPED_TRACE(section.name);
    const std::string sortProperty = [&] {
      for (const std::string& line : section.rows[2]) {
        if (line.rfind(section.sortLabel, 0) == 0) return line.substr(line.find('%') + 1);
      }
      return std::string();
    }();
    ASSERT_FALSE(sortProperty.empty());
    // Every other column runs the other way, so sorting on any of them shows.
    FakeWmi wmi;
    wmi.Answer(section.query,
               FakeQuery{{RowOf(section, "z1-", {{sortProperty, std::string("b")}}),
                          RowOf(section, "z0-", {{sortProperty, std::string("C")}}),
                          RowOf(section, "z2-", {{sortProperty, std::string("a")}}),
                          RowOf(section, "z3-", {{sortProperty, std::string("B")}})}});
    // "b" and "B" compare equal and keep the order they came in.
    EXPECT_EQ(SortValues(section, Collect(section, wmi, 1)), (Lines{"a", "b", "B", "C"}));
  }
}

TEST(ListSections, EmptyFailedAndValuelessResults) {
  for (const ListSection& section : Sections()) {
    SCOPED_TRACE(section.name);
    FakeWmi empty;
    empty.Answer(section.query, FakeQuery{});
    EXPECT_EQ(Collect(section, empty, 3), Lines{});

    FakeWmi failed;
    failed.Fail(section.query);
    for (int level = 1; level <= 3; ++level) {
      EXPECT_EQ(Collect(section, failed, level), Block(section.rows[level - 1], std::nullopt));
    }

    // A class that defines none of the properties still prints the row's labels.
    FakeWmi bare;
    bare.Answer(section.query, FakeQuery{{FakeWmiObject{}}});
    EXPECT_EQ(Collect(section, bare, 2), Block(section.rows[1], std::nullopt));

    FakeWmi nulls;
    std::map<std::string, WmiValue> allNull;
    for (const std::string& property : section.properties) allNull[property] = Null{};
    nulls.Answer(section.query, FakeQuery{{RowOf(section, "", allNull)}});
    EXPECT_EQ(Collect(section, nulls, 3), Block(section.rows[2], std::nullopt));
  }
}

TEST(ListSections, ValuesAreWrittenAsWmiGivesThem) {
  const ListSection& processes = Sections()[3];
  ASSERT_STREQ(processes.name, "Processes");
  const std::string commandLine = "\"C:\\Tools\\run.exe\" " + std::string(400, 'x');
  FakeWmi wmi;
  wmi.Answer(processes.query,
             FakeQuery{{RowOf(processes, "p-",
                              {{"CommandLine", commandLine},
                               {"ExecutablePath", Null{}},
                               {"ProcessId", std::uint64_t{4294967295u}},
                               {"KernelModeTime", std::string("156250")},
                               {"Priority", std::int64_t{8}}})}});
  const Lines lines = Collect(processes, wmi, 3);
  ASSERT_EQ(lines.size(), 32u);
  EXPECT_EQ(lines[1], "CommandLine: " + commandLine);  // longer than 255 characters, kept whole
  EXPECT_EQ(lines[2], "ExecutablePath: ");
  EXPECT_EQ(lines[5], "KernelModeTime: 156250");
  EXPECT_EQ(lines[16], "Priority: 8");
  EXPECT_EQ(lines[18], "ProcessId: 4294967295");

  const ListSection& services = Sections()[4];
  FakeWmi flags;
  flags.Answer(services.query, FakeQuery{{RowOf(services, "s-", {{"AcceptPause", false},
                                                                 {"AcceptStop", true},
                                                                 {"Started", true}})}});
  const Lines serviceLines = Collect(services, flags, 3);
  ASSERT_EQ(serviceLines.size(), 16u);
  EXPECT_EQ(serviceLines[4], "Accept Pause: False");
  EXPECT_EQ(serviceLines[5], "Accept Stop: True");
  EXPECT_EQ(serviceLines[11], "Started: True");
}

TEST(ListSections, NamesakesEachGetTheirOwnBlock) {
  const ListSection& startup = Sections()[5];
  ASSERT_STREQ(startup.name, "Startup Items");
  FakeWmi wmi;
  wmi.Answer(startup.query,
             FakeQuery{{RowOf(startup, "", {{"Name", std::string("Updater")},
                                            {"Location", std::string("Startup")}}),
                        RowOf(startup, "", {{"Name", std::string("Agent")}}),
                        RowOf(startup, "", {{"Name", std::string("Updater")},
                                            {"Location", std::string("HKLM\\RUN")}})}});
  const Lines lines = Collect(startup, wmi, 1);
  const Lines expected = {"Name: Agent",   "Command: Command", "Location: Location", kSeparator,
                          "Name: Updater", "Command: Command", "Location: Startup",  kSeparator,
                          "Name: Updater", "Command: Command", "Location: HKLM\\RUN", kSeparator};
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace sysinfo
