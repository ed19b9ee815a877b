// The JSON report from a scan: the text report unchanged, the values typed, the statuses.
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <memory>

#include "base/format.h"
#include "base/program.h"
#include "report/json_report.h"
#include "base/levels.h"
#include "collectors/categories.h"
#include "collectors/collectors.h"
#include "collectors/file_examinations.h"
#include "collectors/suspicious_files.h"
#include "generated/report_schema.h"
#include "scan/declared_categories.h"
#include "tests/fakes/fake_autostart.h"
#include "tests/fakes/fake_hosts_file.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_user_profiles.h"
#include "tests/fakes/fake_user_software.h"
#include "tests/fakes/fake_wmi.h"
#include "tests/fakes/memory_report.h"
#include "tests/fakes/whole_machine.h"
#include "tests/support/report_schema_check.h"

namespace sysinfo {
namespace {

using testing::FakeQuery;
using testing::FakeRegistry;
using testing::FakeWmi;
using testing::MemoryHost;
using Json = nlohmann::ordered_json;

constexpr std::uint64_t kLargest = std::numeric_limits<std::uint64_t>::max();

// One program file in the roaming application-data folder, with every extra the JSON report
// can carry, and a drivers folder that cannot be read; counts how often the costly extras are
// asked for.
class OneSuspiciousFile final : public SuspiciousFileSource {
 public:
  int strongHashes = 0;
  int signatures = 0;

  std::string SpecialFolder(int csidl) override {
    return csidl == 26 ? "C:\\Roaming" : csidl == 36 ? "C:\\Windows" : "";
  }
  FolderListing FindEntries(const std::string& pattern) override {
    if (pattern.ends_with("\\Drivers\\*.sys")) return {{}, Failure("Access is denied.")};
    if (pattern != "C:\\Roaming\\*.exe") return {};
    FileFacts facts;
    facts.name = "tool.exe";
    facts.size = kLargest;
    facts.modified = Moment{"Monday, December 7, 2026 9:44:33 PM", {2026, 12, 7, 21, 44, 33, -300}};
    return {{facts}, {}};
  }
  VersionStrings Version(const std::string&) override { return {}; }
  FileChecksums Checksums(const std::string&) override { return {"414FA339", "9E107D9D", ""}; }
  FileChecksums ChecksumsWithSha256(const std::string& path) override {
    ++strongHashes;
    FileChecksums sums = Checksums(path);
    sums.sha256 = std::string(64, 'A');
    return sums;
  }
  std::optional<FileSignature> Signature(const std::string&) override {
    ++signatures;
    return FileSignature{SignatureStatus::Signed, "Example Publisher", true, ""};
  }
};

// Every category of the list, over this machine's sources; the hosts file is empty, and the
// memory figures cannot be read now (the last ones read are shown).
struct Machine {
  FakeWmi wmi;
  FakeRegistry registry;
  OneSuspiciousFile files;
  testing::FakeAutostartSystem autostart;
  FileExaminations examined{files};
  testing::FakeUserProfiles profiles;
  testing::FakeInstaller installer;
  testing::FakeUpdateHistory updates;
  testing::FakeHostsFile hosts;
  PerformanceSource performance{[] {
    const PerformanceInfo info{.physicalTotal = 2'097'152,
                               .physicalAvailable = 786'432,
                               .pageSize = 4096,
                               .processCount = 2};
    return PerformanceReading{info, Failure("Access is denied.")};
  }};
  Sources sources;
  DeclaredCategories categories{sources};

  Machine() {
    testing::ProvideEverySource(*this);
    // clang-format off
    wmi.Answer("SELECT * FROM Win32_OperatingSystem",
               FakeQuery{{{{"Caption", std::string("Windows 10 Pro ")},
                           {"OSArchitecture", std::string("64-bit")},
                           {"Version", std::string("10.0.19045")}, {"CSDVersion", Null{}},
                           {"Organization", Null{}}, {"OSLanguage", std::uint64_t{1033}},
                           {"ProductType", std::uint64_t{1}}}}});
    wmi.Answer("SELECT * FROM Win32_Processor", FakeQuery{{}, testing::kFakeQueryTimedOut});
    wmi.Answer("SELECT * FROM Win32_SystemDriver", FakeQuery{});  // a class with nothing in it
    wmi.Answer("SELECT * FROM Win32_Process",
               FakeQuery{{{{"Name", std::string("zsh.exe")}, {"CommandLine", Null{}},
                           {"ProcessId", std::uint64_t{4242}}, {"WorkingSetSize", kLargest}},
                          {{"Name", std::string("Agent.exe")}, {"ProcessId", std::uint64_t{7}},
                           {"Priority", std::int64_t{-1}}}}});
    // clang-format on
    wmi.Answer("Select * from Win32_PhysicalMemory",
               FakeQuery{{{{"BankLabel", std::string("BANK 0")},
                           {"Capacity", std::uint64_t{8589934592}}}}});
    wmi.Answer("Select * from Win32_PageFileUsage", FakeQuery{});
    wmi.Answer("SELECT * FROM Win32_QuickFixEngineering", FakeQuery{});
    installer.products = {{}, Failure("Access is denied.")};
    updates.entries = {{}, Failure("Not implemented.")};
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Editor";
    registry.Set(RegistryRoot::CurrentUser,
                 "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "ProxyEnable",
                 testing::Dword(1));
    registry.Set(RegistryRoot::LocalMachine, uninstall, "DisplayName", testing::Text("Editor"));
    registry.Set(RegistryRoot::LocalMachine, uninstall, "NoModify", testing::Dword(1));
    // Keys this user may not read: the programs and proxies found elsewhere are still shown.
    registry.Deny(RegistryRoot::LocalMachine,
                  "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    registry.Deny(RegistryRoot::LocalMachine,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
  }
};

// What a scan of the machine with every category ticked gives: the text report, the JSON
// report when one listens, and how often the costly extras were asked for.
struct Scanned {
  std::string text;
  Json document;
  int signatures = 0;
  int strongHashes = 0;
  std::vector<std::string> outcomes;  // what the runner's user is told, category by category
  std::vector<std::string> unread;  // the categories the window's Done! box names
};

Scanned Scan(DetailLevel level, bool withJson) {
  ScanChoices choices;
  choices.caption = ProgramCaption(1, 0, 2);
  choices.ticked.assign(kCategoryCount, true);
  choices.level = level;
  choices.jobs = 1;
  const auto machine = std::make_shared<Machine>();
  Scanned scanned;
  MemoryHost host(scanned.text);
  JsonReport json({"1.0.2", "TESTBOX", "2024-03-05T14:07:09+01:00", level,
                   MachineId{"4C4C4544-0042-3510-8051-B7C04F4E3232", MachineIdSource::Smbios}});
  ScanHelpers helpers;
  if (withJson) helpers.json = &json;
  scanned.unread = RunScan(choices, {machine, &machine->categories}, host, helpers).unread;
  if (withJson) {
    EXPECT_EQ(scanned.text, json.Text());  // the file holds the document and no text line
    EXPECT_EQ(testing::ReportSchemaErrors(json.Text()), std::vector<std::string>()) << json.Text();
    scanned.document = Json::parse(json.Text());
  }
  scanned.signatures = machine->files.signatures;
  scanned.strongHashes = machine->files.strongHashes;
  for (const auto& [text, outcome] : host.outcomes) {
    scanned.outcomes.push_back(text + ": " + std::string(CategoryStatusName(outcome.status)) +
                               (outcome.error.empty() ? "" : " (" + outcome.error + ")"));
  }
  return scanned;
}

const Json& CategoryNamed(const Json& document, std::string_view name) {
  for (const Json& category : document.at("categories")) {
    if (category.at("name") == name) return category;
  }
  static const Json none;
  ADD_FAILURE() << "no category " << name;
  return none;
}

TEST(JsonReport, TheDocumentIsValidAtEveryLevel) {
  for (DetailLevel level : {DetailLevel::Basic, DetailLevel::Moderate, DetailLevel::Advanced}) {
    SCOPED_TRACE(LevelCaption(level));
    const Scanned alone = Scan(level, false);
    const Scanned beside = Scan(level, true);
    // Only the JSON report pays for the signature check and the SHA-256.
    EXPECT_EQ(alone.signatures + alone.strongHashes, 0);
    EXPECT_EQ(beside.signatures, 1);
    EXPECT_EQ(beside.strongHashes, 1);
    const Json& categories = beside.document.at("categories");
    ASSERT_EQ(categories.size(), kCategoryCount);
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
      EXPECT_EQ(categories[i]["name"], kCategoryList[i]->text);
      EXPECT_EQ(categories[i]["section"], i + 1);
    }
    EXPECT_EQ(beside.document["level"]["number"], level);
  }
}

TEST(JsonReport, EachCategoryStatusWithTheReason) {
  const Scanned scanned = Scan(DetailLevel::Basic, true);
  // The sections the fake has no answer for fail with its reason; Drivers is a class with
  // nothing in it; the hosts file copies nothing; the memory figures, the drivers folder and two
  // registry keys cannot be read.
  // clang-format off
  const std::string failed = ": failed (the fake query failed)";
  const std::string denied = ": failed (Access is denied.)";
  const std::vector<std::string> expected = {
      "Operating System: ok", "Computer System" + failed, "CPU: timed_out (the fake query failed)",
      "Drives" + failed, "Drivers: empty", "Hardware" + failed, "Host File Info: empty",
      "Memory (Ram)" + denied, "Network Protocols" + failed, "Processes: ok", "Proxy Info" + denied,
      "Services" + failed, "Software" + denied, "Startup Items" + failed, "Suspicious Files!" + denied,
      "Autostart Entries: empty", "User Software: failed (Windows Installer: Access is denied.)",
      "Store Apps: empty",
      "Windows Updates: failed (Windows Update history: Not implemented.)",
      "Browser Extensions: empty"};
  // clang-format on
  std::vector<std::string> documented;
  for (const Json& category : scanned.document.at("categories")) {
    documented.push_back(
        category.at("name").get<std::string>() + ": " + category.at("status").get<std::string>() +
        (category.contains("error") ? " (" + category["error"].get<std::string>() + ")" : ""));
  }
  EXPECT_EQ(documented, expected);
  EXPECT_EQ(scanned.outcomes, expected);  // the person watching the runner is told the same
  std::vector<std::string> unread;
  for (const std::string& line : expected) {
    if (line.find(": failed") != std::string::npos || line.find(": timed_out") != std::string::npos)
      unread.push_back(line.substr(0, line.find(": ")));
  }
  EXPECT_EQ(scanned.unread, unread);

  // The text report says it too, in the block, just above its end line: an empty block does not
  // pass for nothing found.
  const std::string text = Scan(DetailLevel::Basic, false).text;
  const Json& categories = scanned.document.at("categories");
  for (std::size_t i = 0; i < categories.size(); ++i) {
    const std::string name = categories[i].at("name");
    const std::string end = "\r\n" + std::to_string(i + 1) + ". " + name + " End\r\n";
    const std::size_t at = text.find(end);
    ASSERT_NE(at, std::string::npos) << name;
    const std::size_t lineStart = text.rfind("\r\n", at - 1) + 2;
    const std::string last = text.substr(lineStart, at - lineStart);
    EXPECT_EQ(last.starts_with("Not Read: "), categories[i].contains("error")) << last;
  }
  EXPECT_NE(text.find("\r\nNot Read: Windows Update history: Not implemented.\r\n19. "),
            std::string::npos);
  // Each source of Windows Updates ended on its own: its fixes and build are still compared.
  EXPECT_EQ(CategoryNamed(scanned.document, "Windows Updates").at("sources"),
            Json::parse(R"([{"name": "Build", "status": "read"},
                            {"name": "Installed fixes", "status": "read"},
                            {"name": "Windows Update history", "status": "failed",
                             "error": "Not implemented."}])"));
  EXPECT_FALSE(CategoryNamed(scanned.document, "Processes").contains("sources"));
}

// A session that forgot to provide the sources: every category fails, naming what it lacks, and
// the scan goes on to the end.
TEST(JsonReport, ACategoryWhoseSourceWasNotProvidedFailsNamingIt) {
  const Sources none;
  const auto categories = std::make_shared<DeclaredCategories>(none);
  ScanChoices choices;
  choices.ticked.assign(kCategoryCount, true);
  choices.jobs = 1;
  std::string text;
  MemoryHost host(text);
  EXPECT_EQ(RunScan(choices, categories, host).result, ScanResult::Saved);
  ASSERT_EQ(host.outcomes.size(), kCategoryCount);
  for (const auto& [name, outcome] : host.outcomes) {
    EXPECT_EQ(outcome.status, CategoryStatus::Failed) << name;
    EXPECT_TRUE(outcome.error.starts_with("no ") &&
                outcome.error.ends_with(" was provided to the scan"))
        << name << ": " << outcome.error;
  }
  EXPECT_EQ(host.outcomes[*FindCategory("Host File Info")].second.error,
            "no hosts file was provided to the scan");
  EXPECT_EQ(host.outcomes[*FindCategory("User Software")].second.error,
            "no Windows Installer was provided to the scan");
  EXPECT_EQ(host.outcomes[*FindCategory("Windows Updates")].second.error,
            "no Windows Update history was provided to the scan");
  EXPECT_EQ(host.outcomes[*FindCategory("Store Apps")].second.error,
            "no user profiles was provided to the scan");
  EXPECT_EQ(host.outcomes[*FindCategory("Browser Extensions")].second.error,
            "no registry was provided to the scan");
}

TEST(JsonReport, ItemsHoldThePrintedValuesTyped) {
  const Scanned scanned = Scan(DetailLevel::Moderate, true);
  const Json& document = scanned.document;

  // The composed caption line gives its parts; a coded line its number; Null stays null; an
  // Advanced line is left out at Moderate.
  EXPECT_EQ(CategoryNamed(document, "Operating System")["items"],
            Json::parse(R"([{"Caption": "Windows 10 Pro ", "OSArchitecture": "64-bit",
                             "Version": "10.0.19045", "CSDVersion": null, "Organization": null,
                             "OSLanguage": 1033, "ProductType": 1}])"));

  // What a reader finds where: sorted by name as the text is; numbers stay numbers, the largest
  // exactly (compared as written); a property the object lacks is null; no page file (the text
  // says Unable to Detect) gives no items; null past the last item or block.
  const std::string processes = "/categories/9/items/", memory = "/categories/7/subsections/",
                    proxy = "/categories/10/keys/0/", files = "/categories/14/items/0/";
  // clang-format off
  const std::pair<std::string, Json> found[] = {
      {processes + "0/Name", "Agent.exe"}, {processes + "0/Priority", -1}, {processes + "0/CommandLine", nullptr},
      {processes + "1/Name", "zsh.exe"}, {processes + "1/ProcessId", 4242}, {processes + "1/WorkingSetSize", kLargest},
      {processes + "2", nullptr}, {memory + "0/items/0/Capacity", 8589934592u}, {memory + "1/items", Json::array()},
      {memory + "2/items/0/PhysicalTotal", 8589934592u}, {memory + "2/items/0/ProcessCount", 2}, {memory + "3", nullptr},
      {proxy + "path", "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"},
      {proxy + "values/ProxyEnable", 1}, {proxy + "values/ProxyServer", ""}, {"/categories/10/keys/3", nullptr},
      {"/categories/12/items/0/DisplayName", "Editor"}, {"/categories/12/items/0/NoModify", 1},
      {"/categories/12/items/1", nullptr}, {files + "CRC32", "414FA339"}, {files + "FileSize", kLargest},
      {files + "SHA256", std::string(64, 'A')}, {files + "Signature", "signed"}, {files + "Signer", "Example Publisher"},
      {files + "SignedByCatalog", true}, {files + "SignatureError", nullptr}, {"/categories/14/items/1", nullptr},
      {files + "LastWriteTime", "2026-12-07T21:44:33-05:00"}, {files + "CreationTime", ""},
      {"/machineId", "4C4C4544-0042-3510-8051-B7C04F4E3232"}, {"/machineIdSource", "smbios"}, {"/redacted", nullptr},
  };
  // clang-format on
  for (const auto& [pointer, value] : found) {
    const Json::json_pointer at(pointer);
    EXPECT_EQ((document.contains(at) ? document[at] : Json()).dump(), value.dump()) << pointer;
  }
  // The text keeps the locale's spelling of a time.
  const std::string text = Scan(DetailLevel::Moderate, false).text;
  EXPECT_NE(text.find("File Size: 18446744073709551615 Bytes\r\n"), std::string::npos);
  EXPECT_NE(
      text.find("Created: \r\nAccessed: \r\nModified: Monday, December 7, 2026 9:44:33 PM\r\n"),
      std::string::npos);
}

// The schema is a check that can fail: documents that break it are refused.
TEST(ReportSchema, RefusesDocumentsThatBreakIt) {
  const Json valid = Scan(DetailLevel::Basic, true).document;
  const std::pair<const char*, void (*)(Json&)> cases[] = {
      {"unknown status", [](Json& d) { d["categories"][0]["status"] = "fine"; }},
      {"time without offset", [](Json& d) { d["scanTime"] = "2024-03-05T14:07:09"; }},
      {"machine id without its source", [](Json& d) { d.erase("machineIdSource"); }},
      {"unknown machine id source", [](Json& d) { d["machineIdSource"] = "bios"; }},
      {"a layout not written yet", [](Json& d) { d["schemaVersion"] = 3; }},
      {"SHA-256 in lower case",
       [](Json& d) { d["categories"][14]["items"][0]["SHA256"] = std::string(64, 'a'); }},
      {"not JSON at all", nullptr},
  };
  for (const auto& [what, spoil] : cases) {
    Json spoilt = valid;
    const std::string document = spoil ? (spoil(spoilt), spoilt.dump()) : "{\"schemaVersion\": 1,";
    EXPECT_FALSE(testing::ReportSchemaErrors(document).empty()) << what;
  }
}

// The members a category's shape requires, as the schema's rule for the category names them.
std::vector<std::string> RequiredMembers(const ReportShape& shape) {
  if (!shape.list.empty()) return {std::string(shape.list)};
  std::vector<std::string> members;
  if (!shape.name.empty()) members.emplace_back(shape.name);
  members.emplace_back(shape.holds);
  return members;
}

// The schema names the categories of the list, in its order, and numbers sections up to its end;
// each category is named in the one rule that requires its shape's members, and where its groups
// have declared names, the schema allows those.
TEST(ReportSchema, NamesEveryCategoryOfTheList) {
  const Json schema = Json::parse(kReportSchema);
  std::vector<std::string> listed;
  for (const CategoryDefinition* category : kCategoryList) listed.emplace_back(category->text);
  int found = 0;
  const Json flat = schema.flatten();
  for (const auto& [pointer, value] : flat.items()) {
    if (value != "The check-list name.") continue;
    const Json::json_pointer name = Json::json_pointer(pointer).parent_pointer();
    EXPECT_EQ(schema[name]["enum"].get<std::vector<std::string>>(), listed);
    EXPECT_EQ(schema[name.parent_pointer()]["section"]["maximum"], kCategoryCount);
    ++found;
  }
  EXPECT_EQ(found, 1);

  const Json& category = schema["definitions"]["category"];
  std::map<std::string, Json> required;  // each category named in a rule, and what it requires
  for (const Json& rule : category["allOf"]) {
    const Json name = rule["if"]["properties"].value("name", Json::object());
    if (!rule["then"].contains("required") || name.empty()) continue;
    for (const Json& named : name.contains("const") ? Json::array({name["const"]}) : name["enum"]) {
      EXPECT_FALSE(required.contains(named)) << named << " is named in two rules";
      required[named] = rule["then"]["required"];
    }
  }
  EXPECT_EQ(required.size(), kCategoryCount);
  for (const CategoryDefinition* definition : kCategoryList) {
    const ReportShape& shape = definition->shape;
    const std::string text(definition->text);
    EXPECT_EQ(required[text], Json(RequiredMembers(shape))) << text;
    if (shape.names.empty()) continue;
    const Json::json_pointer names("/properties/" + std::string(shape.list) + "/items/properties/" +
                                   std::string(shape.name) + "/enum");
    EXPECT_EQ(category.value(names, Json()),
              Json(std::vector<std::string>(shape.names.begin(), shape.names.end())))
        << text;
  }
}

}  // namespace
}  // namespace sysinfo
