// The JSON report from real scans under Wine agrees value for value with the text report.
#include <gtest/gtest.h>

#include <windows.h>

#include "collectors/collectors_win.h"
#include "collectors/hosts_path_win.h"
#include "base/json_report.h"
#include "base/levels.h"
#include "base/scan.h"
#include "base/special_folders_win.h"
#include "base/text.h"
#include "collectors/os_language.h"
#include "collectors/wmi_win.h"
#include "support/checksum_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/support/report_schema_check.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;
using Json = nlohmann::ordered_json;

struct Scan {
  Lines text;
  std::string json;
};

Scan ScanEverything(int level, const std::string& hostsPath) {
  ComApartment com;
  auto wmi = MakeWmiService();
  ScanRequest request;
  request.caption = ProgramCaption(1, 0, 2);
  request.ticked.fill(true);
  request.level = level;
  request.hostsPath = hostsPath;
  std::string bytes;
  MemoryHost host(bytes);
  JsonReport json({"1.0.2", "WINE", "2024-03-05T14:07:09+01:00", level});
  RunScan(request, RealCollectors(*wmi, hostsPath), host, &json);
  return {SplitLines(bytes), json.Text()};
}

// A value as the text report prints it: text unchanged, null as nothing, Booleans as
// True/False, numbers in decimal.
std::string Printed(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_null()) return "";
  if (value.is_boolean()) return value.get<bool>() ? "True" : "False";
  return value.dump();
}

// Whether a line shows the value: as it stands, or in the forms the sections give numbers
// (sizes with units, codes with their meaning, a language code as its name).
bool LineShows(const std::string& line, const std::string& name, const Json& value) {
  const std::string text = Printed(value);
  if (line.ends_with(text)) return true;
  if (!value.is_number()) return false;
  if (name == "OSLanguage") return line.ends_with(LanguageName(text));
  return line.ends_with(FormatBytes(text)) || line.ends_with(text + " MB") ||
         line.ends_with(text + " Bytes") || line.find(": " + text + " - ") != std::string::npos;
}

// The fields only the JSON report has.
bool JsonOnly(const std::string& name) {
  return name == "SHA256" || name == "Signature" || name == "Signer" || name == "SignedByCatalog" ||
         name == "SignatureError";
}

// Walks an item's fields and a record's lines together: each printed field is one line, but
// for the lines made of several values.
void ExpectItemMatchesRecord(const std::string& where, const Json& item, const Lines& record) {
  std::vector<std::pair<std::string, Json>> fields;
  for (const auto& [name, value] : item.items()) {
    if (!JsonOnly(name)) fields.emplace_back(name, value);
  }
  std::size_t field = 0;
  for (const std::string& line : record) {
    ASSERT_LT(field, fields.size()) << where << ": a line without its value: " << line;
    const auto& [name, value] = fields[field];
    if (name == "Caption" && item.contains("Version") && item.contains("CSDVersion")) {
      // "<caption> (<architecture>) <version> <service pack>"
      const std::string composed = std::string(Trim(Printed(item["Caption"]))) + " (" +
                                   Printed(item.value("OSArchitecture", Json(""))) + ") " +
                                   Printed(item["Version"]) + " " + Printed(item["CSDVersion"]);
      EXPECT_EQ(line, composed) << where;
      field += item.contains("OSArchitecture") ? 4 : 3;
    } else if (name == "BankLabel") {
      EXPECT_EQ(line, Printed(value) + " - Size " + FormatBytes(Printed(item["Capacity"]))) << where;
      field += 2;
    } else {
      EXPECT_TRUE(LineShows(line, name, value)) << where << ": " << name << " = " << value.dump()
                                                << " but the line is: " << line;
      ++field;
    }
  }
  EXPECT_EQ(field, fields.size()) << where << ": values the text does not show";
}

int comparedItems = 0;  // how many items were held against their lines, so a pass means something

void ExpectItemsMatchRecords(const std::string& where, const Json& items, const std::vector<Lines>& records) {
  ASSERT_EQ(items.size(), records.size()) << where;
  comparedItems += static_cast<int>(items.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    ExpectItemMatchesRecord(where + " #" + std::to_string(i), items[i], records[i]);
  }
}

void ExpectMemoryMatches(const Json& category, const Lines& block) {
  std::size_t at = 0;
  for (const Json& part : category["subsections"]) {
    const std::string name = part["name"].get<std::string>();
    ASSERT_LT(at, block.size());
    EXPECT_EQ(block[at++], "(" + name + ")");
    Lines lines;
    while (at < block.size() && block[at] != kSeparator) lines.push_back(block[at++]);
    ++at;  // the separator
    if (part["items"].empty() && !lines.empty() && lines.back() == "Unable to Detect") lines.pop_back();
    if (name == "Page File Info") {
      // Each page file's lines end with its temporary-file line.
      std::vector<Lines> records;
      for (const std::string& line : lines) {
        if (records.empty() || records.back().back().rfind("Temp Page File: ", 0) == 0) records.emplace_back();
        records.back().push_back(line);
      }
      ExpectItemsMatchRecords(name, part["items"], records);
    } else if (name == "Installed Physical Memory Modules") {
      std::vector<Lines> records;
      for (const std::string& line : lines) records.push_back({line});
      ExpectItemsMatchRecords(name, part["items"], records);
    } else {
      ExpectItemsMatchRecords(name, part["items"], {lines});
    }
  }
  EXPECT_EQ(at, block.size());
}

void ExpectProxyMatches(const Json& category, const Lines& block) {
  const std::vector<Lines> records = Records(block);
  ASSERT_EQ(category["keys"].size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Json& key = category["keys"][i];
    ASSERT_EQ(records[i].size(), key["values"].size() + 1);
    EXPECT_EQ(records[i][0], "[" + key["path"].get<std::string>() + "]");
    std::size_t line = 1;
    for (const auto& [name, value] : key["values"].items()) {
      EXPECT_EQ(records[i][line++], name + " = " + Printed(value));
    }
  }
}

TEST(JsonReport, EveryCategoryAtEachLevelAgreesWithTheTextOfTheSameScan) {
  // A program file with a signature in the roaming application data: the build's signed test
  // module under an .exe name.
  PlacedFiles placed;
  const std::string planted = placed.Copy(
      "signed_test.dll", GetSpecialFolder(kFolderRoamingAppData) + "\\sysinfo-json-test.exe");
  const std::string hostsPath = FindHostsFilePath();
  for (int level : {kBasic, kModerate, kAdvanced}) {
    comparedItems = 0;
    const Scan scan = ScanEverything(level, hostsPath);
    EXPECT_EQ(ReportSchemaErrors(scan.json), Lines{}) << "level " << level;
    const Json document = Json::parse(scan.json);
    ASSERT_EQ(document["categories"].size(), kCategoryCount);
    for (const Json& category : document["categories"]) {
      const std::string name = category["name"].get<std::string>();
      SCOPED_TRACE(name + " at level " + std::to_string(level));
      const Lines block = SectionBody(scan.text, category["section"].get<std::size_t>(), name);
      if (name == "Memory (Ram)") {
        ExpectMemoryMatches(category, block);
      } else if (name == "Proxy Info") {
        ExpectProxyMatches(category, block);
      } else if (name == "Host File Info") {
        EXPECT_EQ(category["path"], hostsPath);
        ASSERT_FALSE(block.empty());
        EXPECT_EQ(category["lines"].get<Lines>(), Lines(block.begin(), block.end() - 1));  // less the separator
      } else {
        ExpectItemsMatchRecords(name, category["items"], Records(block));
      }
      // Wine answers every class this program reads, some with nothing.
      EXPECT_TRUE(category["status"] == "ok" || category["status"] == "empty") << category.dump();
    }

    EXPECT_GT(comparedItems, 40) << "level " << level;

    // The planted program: its SHA-256 from the same read as the report's checksums, and its
    // signature as Wine's WinVerifyTrust sees it.
    const Json& files = document["categories"][kCategoryCount - 1]["items"];
    const auto item = std::find_if(files.begin(), files.end(), [&](const Json& file) { return file["Path"] == planted; });
    ASSERT_NE(item, files.end());
    EXPECT_EQ((*item)["SHA256"], GetFileHash(planted, CALG_SHA_256));
    EXPECT_EQ((*item)["MD5"], GetFileMD5(planted));
    EXPECT_EQ((*item)["Signature"], "signed");
    EXPECT_EQ((*item)["Signer"], "Sysinfo Test Signer");
  }
}

// A source the platform cannot read makes its category failed, with the platform's reason,
// while the rest of the scan goes on.
TEST(JsonReport, ACategoryWhoseSourceCannotBeReadIsFailedWithTheReason) {
  TempFolder folder;
  const std::string missing = folder.File("no-hosts-here");
  const Scan scan = ScanEverything(kBasic, missing);
  EXPECT_EQ(ReportSchemaErrors(scan.json), Lines{});
  const Json document = Json::parse(scan.json);
  const Json& hosts = document["categories"][*FindCategory("Host File Info")];
  EXPECT_EQ(hosts["status"], "failed");
  EXPECT_FALSE(hosts.value("error", "").empty()) << hosts.dump();
  EXPECT_EQ(hosts["path"], missing);
  EXPECT_TRUE(hosts["lines"].empty());
  EXPECT_EQ(document["categories"][*FindCategory("Operating System")]["status"], "ok");
}

}  // namespace
}  // namespace sysinfo
