// Two JSON reports compared: the items matched, the differences as text and as JSON.
#include <gtest/gtest.h>

#include "report/json_report.h"
#include "tests/support/report_schema_check.h"
#include "tools/report_check.h"
#include "tools/report_compare.h"

namespace sysinfo {
namespace {

using Json = nlohmann::ordered_json;

// A report of machine PC at level Advanced with the fields of `patch` (a JSON merge patch), each
// category finished "ok" unless the patch says otherwise.
std::string Report(const char* patch) {
  Json report = Json::parse(R"({"schemaVersion": 1, "tool": {"name": "Veltrix - System Information",
      "version": "1.0.2"}, "computer": "PC", "scanTime": "2026-01-02T03:04:05+00:00",
      "level": {"number": 3, "name": "Advanced"}, "categories": []})");
  report.merge_patch(Json::parse(patch));
  for (Json& category : report["categories"]) {
    category.merge_patch(
        Json{{"section", 1}, {"status", category.value("status", "ok")}, {"elapsedMs", 0}});
  }
  return report.dump();
}

JsonDocument Read(const char* patch) {
  JsonRead read = ReadReport(Report(patch), "r.json");
  if (read.Failed()) {
    ADD_FAILURE() << read.error->message;
    read = ReadReport(Report("{}"), "r.json");  // an empty report compares safely
  }
  return std::move(read.value);
}

// clang-format off
const char* const kSoftware = R"({"categories": [{"name": "Software", "items": [
    {"DisplayName": "A", "Publisher": "P", "DisplayVersion": "1", "URLInfoAbout": null, "Comments": "x"},
    {"DisplayName": "B", "Publisher": "P"}]}]})";
struct Case {
  const char* what;
  const char* oldPatch;
  const char* newPatch;
  bool allFields;
  const char* text;  // what follows the two heading lines
};
const Case kCases[] = {
    {"added, removed, changed; a field in one only; a line break shown", kSoftware,
     R"({"categories": [{"name": "Software", "items": [{"DisplayName": "C", "Publisher": "Q"},
      {"DisplayName": "A", "Publisher": "P", "DisplayVersion": "2", "URLInfoAbout": "u", "Comments": "x\ny", "InstallDate": 5}]}]})",
     false, "\nSoftware: 1 added, 1 removed, 1 changed\n  + C, Q\n  - B, P\n  ~ A, P\n      DisplayVersion: 1 -> 2\n"
     "      URLInfoAbout: (null) -> u\n      Comments: x -> x<U+000A>y\n      InstallDate: (absent) -> 5\n\n"
     "1 added, 1 removed, 1 changed in 1 category.\n"},
    {"the same report", kSoftware, kSoftware, false, "\nNo differences.\n"},
    {"duplicate keys pair in order; a process id changes by itself",
     R"({"categories": [{"name": "Processes", "items": [{"Name": "svc.exe", "Description": "a", "ProcessId": 1},
      {"Name": "svc.exe", "Description": "b", "ProcessId": 2}]}]})",
     R"({"categories": [{"name": "Processes", "items": [{"Name": "svc.exe", "Description": "a", "ProcessId": 7},
      {"Name": "svc.exe", "Description": "b", "ProcessId": 8}, {"Name": "svc.exe", "Description": "c"}]}]})",
     false, "\nProcesses: 1 added, 0 removed, 0 changed\n  + svc.exe\n\n1 added, 0 removed, 0 changed in 1 category.\n"},
    {"named by the key fields held, as text; the scanning program's own process is no change",
     R"({"categories": [{"name": "Processes", "items": [{"Name": "sysinfo-report.exe", "CommandLine": "sysinfo-report --out a"},
      {"Name": "SYSINFO.EXE", "CommandLine": null}]}]})",
     R"({"categories": [{"name": "Processes", "items": [{"Name": "sysinfo-report.exe", "CommandLine": "sysinfo-report --out b"},
      {"Name": "notepad.exe", "ExecutablePath": null, "CommandLine": null},
      {"Name": "a, b", "ExecutablePath": "\"C:\\P F\\a.exe\" -x", "CommandLine": ""}]}]})",
     false, "\nProcesses: 2 added, 0 removed, 0 changed\n  + notepad.exe\n  + \"a, b\", \"C:\\P F\\a.exe\" -x, \"\"\n\n"
     "2 added, 0 removed, 0 changed in 1 category.\n"},
    {"all fields", R"({"categories": [{"name": "Processes", "items": [{"Name": "svc.exe", "ProcessId": 1}]}]})",
     R"({"categories": [{"name": "Processes", "items": [{"Name": "svc.exe", "ProcessId": 7}]}]})",
     true, "\nProcesses: 0 added, 0 removed, 1 changed\n  ~ svc.exe\n      ProcessId: 1 -> 7\n\n"
     "0 added, 0 removed, 1 changed in 1 category.\n"},
    {"by position; Memory's sub-sections part of the identity",
     R"j({"categories": [{"name": "Operating System", "items": [{"Version": "6.1"}]}, {"name": "Memory (Ram)",
      "subsections": [{"name": "Installed Physical Memory Modules", "items": [{"Capacity": 4}]},
      {"name": "Memory Stats", "items": [{"PhysicalTotal": 8, "PhysicalUsed": 1}]}]}]})j",
     R"j({"categories": [{"name": "Operating System", "items": [{"Version": "6.2"}]}, {"name": "Memory (Ram)",
      "subsections": [{"name": "Installed Physical Memory Modules", "items": []},
      {"name": "Memory Stats", "items": [{"PhysicalTotal": 8, "PhysicalUsed": 2}]}]}]})j",
     false, "\nOperating System: 0 added, 0 removed, 1 changed\n  ~ #1\n      Version: 6.1 -> 6.2\n\n"
     "Memory (Ram): 0 added, 1 removed, 0 changed\n  - Installed Physical Memory Modules: #1\n\n"
     "0 added, 1 removed, 1 changed in 2 categories.\n"},
    {"proxy key blocks and hosts lines",
     R"({"categories": [{"name": "Host File Info", "path": "C:\\h", "lines": ["# c", "1.2.3.4 a"]}, {"name": "Proxy Info",
      "keys": [{"path": "HKCU\\X", "values": {"ProxyServer": "", "ProxyEnable": 0}}]}]})",
     R"({"categories": [{"name": "Host File Info", "path": "C:\\h", "lines": ["# c", "1.2.3.4 a", "6.6.6.6 bank"]},
      {"name": "Proxy Info", "keys": [{"path": "HKCU\\X", "values": {"ProxyServer": "p:8", "ProxyEnable": 0}}]}]})",
     false, "\nHost File Info: 1 added, 0 removed, 0 changed\n  + 6.6.6.6 bank\n\nProxy Info: 0 added, 0 removed, "
     "1 changed\n  ~ HKCU\\X\n      ProxyServer:  -> p:8\n\n1 added, 0 removed, 1 changed in 2 categories.\n"},
    {"categories in one report; another machine and level",
     R"({"categories": [{"name": "CPU", "items": []}]})",
     R"({"computer": "PC2", "level": {"number": 1, "name": "Basic"}, "categories": [{"name": "Drives", "items": []}]})",
     false, "Note: The reports are of different computers: PC and PC2.\nNote: The reports have different detail levels: "
     "Advanced and Basic.\nOnly in the old report: CPU\nOnly in the new report: Drives\n\n0 added, 0 removed, 0 changed "
     "in 0 categories; 2 categories in one report only.\n"},
    {"a scan that failed is not compared, not read as every item removed",
     R"({"categories": [{"name": "Software", "status": "ok", "items": [{"DisplayName": "A"}]}]})",
     R"({"categories": [{"name": "Software", "status": "failed", "error": "Access denied.", "items": []}]})",
     false, "Note: Software is not compared: its scan ended ok in the old report and failed in the new one "
     "(Access denied.).\n\n0 added, 0 removed, 0 changed in 0 categories.\n"},
    {"a family not read leaves only its own entries uncompared",
     R"({"categories": [{"name": "Autostart Entries", "status": "failed", "error": "Scheduled Tasks: Not implemented.",
      "sources": [{"name": "Logon", "status": "read"}, {"name": "Scheduled Tasks", "status": "failed", "error": "Not implemented."}],
      "items": [{"Family": "Logon", "Location": "HKCU\\Run", "Name": "A"}]}]})",
     R"({"categories": [{"name": "Autostart Entries", "items": [{"Family": "Logon", "Location": "HKCU\\Run", "Name": "A"},
      {"Family": "Logon", "Location": "HKCU\\Run", "Name": "B"}, {"Family": "Scheduled Tasks", "Location": "\\", "Name": "T"}]}]})",
     false, "Note: Autostart Entries is compared without Scheduled Tasks: its scan ended failed in the old report and ok "
     "in the new one (Scheduled Tasks: Not implemented.).\n\nAutostart Entries: 1 added, 0 removed, 0 changed\n"
     "  + HKCU\\Run, B\n\n1 added, 0 removed, 0 changed in 1 category.\n"},
    {"fields in another order found by name",
     R"({"categories": [{"name": "Software", "items": [{"DisplayName": "A", "X": 1, "Y": 2, "W": 0}]}]})",
     R"({"categories": [{"name": "Software", "items": [{"DisplayName": "A", "Z": 3, "Y": 2.0, "X": 5}]}]})",
     false, "\nSoftware: 0 added, 0 removed, 1 changed\n  ~ A\n      X: 1 -> 5\n      W: 0 -> (absent)\n"
     "      Z: (absent) -> 3\n\n0 added, 0 removed, 1 changed in 1 category.\n"},
    {"a file time of layout 1 and the same of layout 2 are one; another time is a change",
     R"({"categories": [{"name": "Suspicious Files!", "items": [{"Path": "C:\\a.exe",
      "CreationTime": "Monday, December 7, 2026 9:44:33 PM", "LastWriteTime": "Monday, December 7, 2026 9:44:33 PM"}]}]})",
     R"({"schemaVersion": 2, "machineId": "4C4C4544-0042", "machineIdSource": "smbios", "categories": [
      {"name": "Suspicious Files!", "items": [{"Path": "C:\\a.exe", "CreationTime": "2026-12-07T21:44:33+01:00",
      "LastWriteTime": "2026-12-07T21:44:34+01:00"}]}]})",
     false, "\nSuspicious Files!: 0 added, 0 removed, 1 changed\n  ~ C:\\a.exe\n      LastWriteTime: Monday, "
     "December 7, 2026 9:44:33 PM -> 2026-12-07T21:44:34+01:00\n\n0 added, 0 removed, 1 changed in 1 category.\n"},
    {"another machine alone is no difference", kSoftware,
     R"({"computer": "PC2", "categories": [{"name": "Software", "items": [{"DisplayName": "A", "Publisher": "P",
      "DisplayVersion": "1", "URLInfoAbout": null, "Comments": "x"}, {"DisplayName": "B", "Publisher": "P"}]}]})",
     false, "Note: The reports are of different computers: PC and PC2.\n\nNo differences.\n"},
};
// clang-format on

TEST(ReportCompare, ListsWhatWasAddedRemovedAndChanged) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const Comparison comparison = CompareReports(Read(c.oldPatch), Read(c.newPatch),
                                                 {"old.json", "new.json", c.allFields});
    const std::string text = ComparisonText(comparison);
    const std::string expected = c.text;
    EXPECT_EQ(text.substr(text.find('\n', text.find('\n') + 1) + 1), expected);
    EXPECT_EQ(comparison.Differs(), !expected.ends_with("No differences.\n"));
    const std::string json = ComparisonJson(comparison);
    EXPECT_EQ(testing::SchemaErrors(testing::Schema::Comparison, json), std::vector<std::string>())
        << json;
  }
  const Comparison first = CompareReports(Read(kCases[0].oldPatch), Read(kCases[0].newPatch),
                                          {"old.json", "new.json", false});
  EXPECT_TRUE(ComparisonText(first).starts_with(
      "Old: old.json (computer PC, scanned 2026-01-02T03:04:05+00:00, level Advanced)\nNew: "));
  const Json changes = Json::parse(ComparisonJson(first))["categories"][0]["changed"][0]["changes"];
  EXPECT_EQ(
      changes.dump(),
      R"([{"field":"DisplayVersion","old":"1","new":"2"},{"field":"URLInfoAbout","old":null,)"
      R"("new":"u"},{"field":"Comments","old":"x","new":"x\ny"},{"field":"InstallDate","new":5}])");
}

TEST(ReportCompare, RefusesWhatIsNotAReportItCanRead) {
  const std::pair<std::string, const char*> cases[] = {
      {"{\"schemaVersion\": 1,", "not JSON"},
      {"[1]", "not a report written by this program"},
      {Report(R"({"tool": {"name": "Other"}})"), "not a report written by this program"},
      {Report(R"({"schemaVersion": null})"), "no schemaVersion"},
      {Report(R"({"schemaVersion": 3})"), "newer version"},
      {Report(R"({"machineId": "x", "machineIdSource": "bios"})"), "unknown machine id source"},
      {Report(R"({"redacted": "yes"})"), "is not true or false"},
      {Report(R"({"categories": [{"name": "CPU", "items": [1]}]})"), "is not an object of fields"},
      {Report(R"({"level": "Basic"})"), "the level that is not an object"},
  };
  for (const auto& [text, why] : cases) {
    const JsonRead read = ReadReport(text, "r.json");
    ASSERT_TRUE(read.Failed()) << text;
    EXPECT_NE(read.error->message.find(why), std::string::npos) << read.error->message;
  }
  EXPECT_FALSE(ReadReport(Report(kSoftware), "r.json").Failed());
  // What this program writes it reads, of either layout.
  const JsonReport written({"1.0.2", "PC", "2026-01-02T03:04:05+00:00", DetailLevel::Advanced,
                            MachineId{"4C4C4544-0042", MachineIdSource::MachineGuid}, true});
  EXPECT_FALSE(ReadReport(written.Text(), "r.json").Failed());
  EXPECT_EQ(testing::ReportSchemaErrors(written.Text()), std::vector<std::string>());
  EXPECT_FALSE(ReadReport(Report(R"({"schemaVersion": 2})"), "r.json").Failed());
}

// A fleet's loader refuses redacted reports: it must know one, also from before the header said.
TEST(ReportCompare, KnowsARedactedReport) {
  const std::pair<const char*, bool> cases[] = {
      {R"({"redacted": true, "computer": "<computer>"})", true},
      {R"({"computer": "<computer>"})", true},  // layout 1
      {R"({"computer": "<computer-2>"})", true},
      {R"({"schemaVersion": 2, "computer": "PC", "machineId": "<id-3>", "machineIdSource": "smbios"})",
       true},
      {R"({"computer": "PC"})", false},
      {R"({"computer": "<pc>", "machineId": "<id-0>", "machineIdSource": "smbios"})", false},
      {R"({"redacted": false, "computer": "PC"})", false},
  };
  for (const auto& [patch, redacted] : cases) {
    EXPECT_EQ(IsRedactedReport(Read(patch)), redacted) << patch;
  }
}

}  // namespace
}  // namespace sysinfo
