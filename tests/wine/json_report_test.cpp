// The JSON report from real scans under Wine: one scan gives both reports, and every value of
// the document is the value a line of the text report shows.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <array>

#include "app/collectors_win.h"
#include "app/format.h"
#include "app/hosts_path_win.h"
#include "app/json_report.h"
#include "app/levels.h"
#include "app/scan.h"
#include "app/text.h"
#include "app/unicode_win.h"
#include "collectors/os_language.h"
#include "collectors/wmi_win.h"
#include "support/checksum_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/support/report_schema_check.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::MemoryHost;
using testing::MemorySink;
using testing::ProgramFolder;
using testing::ReadWholeFile;
using testing::RunProgram;
using testing::SplitLines;
using testing::TempFolder;
using Json = nlohmann::ordered_json;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);

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

bool EndsWith(const std::string& line, const std::string& tail) {
  return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

// Whether a line shows the value: as it stands, or in the forms the sections give numbers
// (sizes with units, codes with their meaning, a language code as its name).
bool LineShows(const std::string& line, const std::string& name, const Json& value) {
  const std::string text = Printed(value);
  if (EndsWith(line, text)) return true;
  if (!value.is_number()) return false;
  if (name == "OSLanguage") return EndsWith(line, LanguageName(text));
  return EndsWith(line, FormatBytes(text)) || EndsWith(line, text + " MB") ||
         EndsWith(line, text + " Bytes") || line.find(": " + text + " - ") != std::string::npos;
}

// The fields only the JSON report has.
bool JsonOnly(const std::string& name) {
  return name == "SHA256" || name == "Signature" || name == "Signer" || name == "SignedByCatalog" ||
         name == "SignatureError";
}

// The lines of a category's block, between its start line (and the separator after it) and its
// end line.
Lines Block(const Lines& text, const Json& category) {
  const std::string prefix = std::to_string(category["section"].get<int>()) + ". " +
                             category["name"].get<std::string>();
  std::size_t start = 0;
  while (start < text.size() && text[start].rfind(prefix + " (", 0) != 0 &&
         text[start] != prefix + " Start" && text[start].rfind(prefix + " Start (", 0) != 0) {
    ++start;
  }
  std::size_t end = start;
  while (end < text.size() && text[end] != prefix + " End") ++end;
  EXPECT_LT(end, text.size()) << prefix;
  if (end >= text.size() || start + 2 > end) return {};
  return Lines(text.begin() + static_cast<std::ptrdiff_t>(start) + 2,
               text.begin() + static_cast<std::ptrdiff_t>(end));
}

// The block cut at its separator lines; records without lines (a failed query's) left out.
std::vector<Lines> Records(const Lines& block) {
  std::vector<Lines> records;
  Lines current;
  for (const std::string& line : block) {
    if (line == kSeparator) {
      if (!current.empty()) records.push_back(current);
      current.clear();
    } else {
      current.push_back(line);
    }
  }
  EXPECT_TRUE(current.empty()) << "a record without its separator";
  return records;
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

void ExpectHostsMatches(const Json& category, const Lines& block, const std::string& path) {
  EXPECT_EQ(category["path"], path);
  Lines lines(block.begin(), block.end() - 1);  // the separator ends the block
  EXPECT_EQ(category["lines"].get<Lines>(), lines);
}

// A program file in the roaming application data, so the Suspicious Files section has an item
// with a signature: the build's signed test module under an .exe name.
class PlantedProgram {
 public:
  PlantedProgram() {
    std::array<wchar_t, MAX_PATH> folder{};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder.data());
    path_ = WideToUtf8(folder.data()) + "\\sysinfo-json-test.exe";
    CopyFileW(Utf8ToWide(ProgramFolder() + "\\signed_test.dll").c_str(), Utf8ToWide(path_).c_str(), FALSE);
  }
  ~PlantedProgram() { DeleteFileW(Utf8ToWide(path_).c_str()); }
  PlantedProgram(const PlantedProgram&) = delete;
  PlantedProgram& operator=(const PlantedProgram&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(JsonReport, EveryCategoryAtEachLevelAgreesWithTheTextOfTheSameScan) {
  const PlantedProgram planted;
  const std::string hostsPath = FindHostsFilePath();
  for (int level : {kBasic, kModerate, kAdvanced}) {
    comparedItems = 0;
    const Scan scan = ScanEverything(level, hostsPath);
    const auto errors = testing::ReportSchemaErrors(scan.json);
    EXPECT_TRUE(errors.empty()) << "level " << level << ": " << ::testing::PrintToString(errors);
    const Json document = Json::parse(scan.json);
    ASSERT_EQ(document["categories"].size(), kCategoryCount);
    for (const Json& category : document["categories"]) {
      const std::string name = category["name"].get<std::string>();
      SCOPED_TRACE(name + " at level " + std::to_string(level));
      const Lines block = Block(scan.text, category);
      if (name == "Memory (Ram)") {
        ExpectMemoryMatches(category, block);
      } else if (name == "Proxy Info") {
        ExpectProxyMatches(category, block);
      } else if (name == "Host File Info") {
        ExpectHostsMatches(category, block, hostsPath);
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
    const auto planted_item = std::find_if(files.begin(), files.end(), [&](const Json& file) {
      return file["Path"] == planted.path();
    });
    ASSERT_NE(planted_item, files.end());
    EXPECT_EQ((*planted_item)["SHA256"], GetFileHash(planted.path(), CALG_SHA_256));
    EXPECT_EQ((*planted_item)["MD5"], GetFileMD5(planted.path()));
    EXPECT_EQ((*planted_item)["Signature"], "signed");
    EXPECT_EQ((*planted_item)["Signer"], "Sysinfo Test Signer");
  }
}

// A source the platform cannot read makes its category failed, with the platform's reason,
// while the rest of the scan goes on.
TEST(JsonReport, ACategoryWhoseSourceCannotBeReadIsFailedWithTheReason) {
  TempFolder folder;
  const std::string missing = folder.File("no-hosts-here");
  const Scan scan = ScanEverything(kBasic, missing);
  EXPECT_TRUE(testing::ReportSchemaErrors(scan.json).empty());
  const Json document = Json::parse(scan.json);
  const Json& hosts = document["categories"][*FindCategory("Host File Info")];
  EXPECT_EQ(hosts["status"], "failed");
  EXPECT_FALSE(hosts.value("error", "").empty()) << hosts.dump();
  EXPECT_EQ(hosts["path"], missing);
  EXPECT_TRUE(hosts["lines"].empty());
  EXPECT_EQ(document["categories"][*FindCategory("Operating System")]["status"], "ok");
}

TEST(Runner, JsonFormatWritesAValidUtf8DocumentAndTellsEachCategory) {
  TempFolder folder;
  const std::string out = folder.File("report.json");
  const auto run = RunProgram("sysinfo-report.exe", {"--out", out, "--format", "json", "--level",
                                                     "advanced", "--all"});
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(out, bytes));
  EXPECT_TRUE(testing::ReportSchemaErrors(bytes).empty()) << bytes.substr(0, 2000);
  const Json document = Json::parse(bytes);
  EXPECT_EQ(document["tool"]["version"], "1.0.2");
  EXPECT_EQ(document["level"]["name"], "Advanced");
  std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
  DWORD size = static_cast<DWORD>(name.size());
  ASSERT_TRUE(GetComputerNameW(name.data(), &size));
  EXPECT_EQ(document["computer"], WideToUtf8(std::wstring(name.data(), size)));
  ASSERT_EQ(document["categories"].size(), kCategoryCount);
  // One progress line per category, in check-list order, with its status and time.
  std::size_t from = 0;
  for (const Category& category : kCategories) {
    const std::string line = std::string(category.text) + ": ";
    const auto at = run.output.find("\n" + line, from);
    ASSERT_NE(at, std::string::npos) << line << " in\n" << run.output;
    const auto end = run.output.find('\n', at + 1);
    const std::string progress = run.output.substr(at + 1, end - at - 1);
    EXPECT_NE(progress.find(" ms)"), std::string::npos) << progress;
    from = at + 1;
  }
}

}  // namespace
}  // namespace sysinfo
