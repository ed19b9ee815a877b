// The console runner as a user starts it: the files it writes, what it tells, its exit codes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <memory>

#include <nlohmann/json.hpp>

#include "base/json_value.h"
#include "base/program.h"
#include "collectors/categories.h"
#include "report/redaction.h"
#include "base/special_folders_win.h"
#include "base/unicode_win.h"
#include "support/checksum_win.h"
#include "support/file_version_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/support/report_schema_check.h"
#include "tests/wine/test_keys.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;
using Json = nlohmann::ordered_json;

constexpr const char* kRunner = "sysinfo-report.exe";
// What a run of every category exits with here: 3, as Wine's Windows Update agent cannot give its
// history; every other source answers (Wine's Task Scheduler cannot list its tasks, but Autostart
// Entries reads them from the task files instead).
constexpr unsigned long kAllExitOnWine = 3;
constexpr std::string_view kFailedOnWine = "Windows Updates: failed (";
const std::wstring kTcpip = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";

// A GUID as Windows and the firmware write one: 8-4-4-4-12 hex digits, no braces.
bool IsGuid(const std::string& text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

// Every category bound to its real source, at each level: the hosts file found through the
// registry and copied byte for byte (the report is in the file's code page), a program file in
// the local application data listed, and each block between its own frame lines.
TEST(Runner, WritesEveryCategoryAtEachLevel) {
  TempFolder folder;
  SavedValue saved(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath");
  WriteText(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath", Utf8ToWide(folder.path()));
  ASSERT_TRUE(WriteWholeFile(folder.File("hosts"), "# caf\xE9\r\n10.0.0.1 server\r\n"));
  PlacedFiles placed;
  const std::string program = placed.Write(
      GetSpecialFolder(kFolderLocalAppData) + "\\sysinfo-test-runner.exe", "hidden program");

  const char* levels[] = {"basic", "moderate", "advanced"};
  const char* captions[] = {"Basic", "Moderate", "Advanced"};
  const std::string withoutRows[] = {"Drivers", "Network Protocols", "Startup Items"};
  for (int level = 0; level < 3; ++level) {
    SCOPED_TRACE(levels[level]);
    const std::string out = folder.File(std::string(levels[level]) + ".txt");
    const auto run = RunProgram(kRunner, {"--out", out, "--level", levels[level], "--all"});
    ASSERT_EQ(run.exitCode, kAllExitOnWine) << run.output;
    const std::size_t failed = run.output.find(": failed (");
    EXPECT_EQ(run.output.find(": failed (", failed + 1), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(kFailedOnWine), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Report saved to " + out), std::string::npos) << run.output;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out, bytes));
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(static_cast<unsigned char>(bytes[0]), 0xEF);  // no byte-order mark
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    const Lines lines = SplitLines(bytes);
    ASSERT_GT(lines.size(), 22u);
    EXPECT_EQ(lines[0], "Veltrix - System Information v1.0.2");
    EXPECT_NE(
        std::find(lines.begin(), lines.end(),
                  std::string("1. Operating System (Detail Level: ") + captions[level] + ") Start"),
        lines.end());

    for (std::size_t i = 0; i < kCategoryCount; ++i) {
      const std::string name(kCategoryList[i]->text);
      const Lines body = SectionBody(lines, i + 1, name);
      if (std::count(std::begin(withoutRows), std::end(withoutRows), name)) {
        EXPECT_EQ(body, Lines{}) << name;  // Wine lacks the class
      } else if (name != "Software" && name != "User Software" && name != "Store Apps" &&
                 name != "Browser Extensions") {  // Wine may have nothing installed
        EXPECT_GT(body.size(), 1u) << name;
      }
    }
    if (level > 0) continue;
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "7. Host File Info Start (" + folder.File("hosts") + ")"),
              lines.end());
    EXPECT_EQ(SectionBody(lines, 7, "Host File Info"),
              (Lines{"# caf\xE9", "10.0.0.1 server", kSeparator}));
    const Lines proxy = SectionBody(lines, 11, "Proxy Info");
    ASSERT_EQ(proxy.size(), 18u);
    EXPECT_EQ(
        proxy[0],
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]");
    EXPECT_EQ(SectionBody(lines, 13, "Software").size() % 6, 0u) << "whole six-line blocks";
    const Lines files = SectionBody(lines, 15, "Suspicious Files!");
    const auto name = std::find(files.begin(), files.end(), "File Name: sysinfo-test-runner.exe");
    ASSERT_GE(name - files.begin(), 1);
    ASSERT_GE(files.end() - name, 7);
    EXPECT_EQ(name[-1], "-Suspicious File Location-");
    EXPECT_EQ(name[1], "CRC-32: 7998D50D");
    EXPECT_EQ(name[5], "File Path: " + program);
    EXPECT_EQ(name[6], kSeparator);
  }
}

// The same scan as values, run from a folder where look-alikes of the system DLLs that are not
// KnownDLLs are planted: none of them is loaded (but what Wine loads there for itself) or called,
// and a program file with a signature (the build's signed test module under an .exe name) gets
// its SHA-256, version and signature through the system's own DLLs; a hosts file that cannot be
// read fails its category with the platform's reason while the rest goes on, and the exit status
// says so.
TEST(Runner, JsonFormatWritesAValidUtf8DocumentAndNoPlantedDllRuns) {
  const Planting planting;
  TempFolder folder;
  planting.PlantIn(folder.path());
  SavedValue saved(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath");
  WriteText(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath", Utf8ToWide(folder.File("no-hosts-here")));
  PlacedFiles placed;
  const std::string runner = placed.Copy(kRunner, folder.File(kRunner));
  const std::string planted = placed.Copy(
      "signed_test.dll", GetSpecialFolder(kFolderRoamingAppData) + "\\sysinfo-json-test.exe");
  const std::string out = folder.File("report.json");
  const auto run = RunProgram(runner,
                              {"--out", out, "--format", "json", "--level", "advanced", "--all"});
  ASSERT_EQ(run.exitCode, 3u) << run.output;
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(out, bytes));
  EXPECT_TRUE(ReportSchemaErrors(bytes).empty()) << bytes.substr(0, 2000);
  const Json document = Json::parse(bytes);
  EXPECT_EQ(document["tool"]["version"], "1.0.2");
  EXPECT_EQ(document["level"]["name"], "Advanced");
  EXPECT_EQ(document["computer"], ComputerName());
  // An id a fleet's database can key this machine on: the firmware's, or Windows' own where Wine
  // gives none of its own.
  EXPECT_TRUE(IsGuid(document.value("machineId", ""))) << document.value("machineId", "");
  const std::string source = document.value("machineIdSource", "");
  EXPECT_TRUE(source == "smbios" || source == "machine-guid") << source;
  EXPECT_FALSE(document.contains("redacted"));
  ASSERT_EQ(document["categories"].size(), kCategoryCount);
  const Json& hosts = document["categories"][*FindCategory("Host File Info")];
  EXPECT_EQ(hosts["status"], "failed");
  EXPECT_FALSE(hosts.value("error", "").empty()) << hosts.dump();
  EXPECT_EQ(document["categories"][0]["status"], "ok");
  const Json& files = document["categories"][*FindCategory("Suspicious Files!")]["items"];
  const Json& autostart = document["categories"][*FindCategory("Autostart Entries")];
  EXPECT_EQ(autostart["name"], "Autostart Entries");
  EXPECT_EQ(autostart["status"], "ok") << autostart.value("error", "");
  EXPECT_FALSE(autostart["items"].empty());
  const auto item = std::find_if(files.begin(), files.end(),
                                 [&](const Json& file) { return file["Path"] == planted; });
  ASSERT_NE(item, files.end());
  EXPECT_EQ((*item)["SHA256"], GetFileHash(planted, CALG_SHA_256));
  EXPECT_EQ((*item)["Company"], "Test Company");
  EXPECT_EQ((*item)["Signature"], "signed");
  EXPECT_EQ((*item)["Signer"], "Sysinfo Test Signer");
  for (const char* time : {"CreationTime", "LastAccessTime", "LastWriteTime"})
    EXPECT_TRUE(ParseIso8601((*item).value(time, ""))) << time << ": " << (*item)[time];
  // One progress line per category, in check-list order, with its status and time.
  std::size_t from = 0;
  for (const CategoryDefinition* category : kCategoryList) {
    const auto at = run.output.find("\n" + std::string(category->text) + ": ", from);
    ASSERT_NE(at, std::string::npos) << category->text << " in\n" << run.output;
    const std::string progress = run.output.substr(at + 1, run.output.find('\n', at + 1) - at - 1);
    EXPECT_NE(progress.find(" ms)"), std::string::npos) << progress;
    from = at + 1;
  }
  EXPECT_EQ(planting.MarkersBeyondWinesOwn(folder.path()), std::set<std::string>{});
}

// The machine's DNS domain; empty outside one.
std::string DnsDomain() {
  std::array<wchar_t, 256> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetComputerNameExW(ComputerNameDnsDomain, name.data(), &size)) return {};
  return WideToUtf8(std::wstring(name.data(), size));
}

// A redacted report of this machine, seeded with an identifying value of every kind where it
// shows (the registered owner and organisation also in a program's publisher and contact and in
// the report's own folder, proxies of the user and of a second user hive, secrets in a program's
// command lines, a phone number, a device address, the user's folder percent-encoded, a word the
// user names), holds none of them nor the machine's own names and serials, in text or JSON,
// keeps what identifies nobody, and keeps the plain report's lines and labels. Run again on a
// machine named like a word in a DNS domain (planted_machine.sh), the names are those.
TEST(Runner, RedactedReportsHoldNoIdentifyingValue) {
  if (const char* planted = std::getenv("SYSINFO_PLANTED_COMPUTER"))
    ASSERT_EQ(ComputerName(), planted) << "the planted host name did not reach Wine";
  const std::wstring version = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::wstring internet = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  const std::wstring hive = L"S-1-5-21-9999-9999-9999-1001\\" + internet;
  SavedValue owner(HKEY_LOCAL_MACHINE, version, L"RegisteredOwner");
  SavedValue organization(HKEY_LOCAL_MACHINE, version, L"RegisteredOrganization");
  SavedValue server(HKEY_CURRENT_USER, internet, L"ProxyServer");
  SavedValue exceptions(HKEY_CURRENT_USER, internet, L"ProxyOverride");
  SavedValue config(HKEY_CURRENT_USER, internet, L"AutoConfigURL");
  SavedValue hostsFolder(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath");
  WriteText(HKEY_LOCAL_MACHINE, version, L"RegisteredOwner", L"Quinlan Ostrova");
  WriteText(HKEY_LOCAL_MACHINE, version, L"RegisteredOrganization", L"Zephyrcorp Labs");
  WriteText(HKEY_CURRENT_USER, internet, L"ProxyServer", L"http=qzproxy.corp:8080");
  WriteText(HKEY_CURRENT_USER, internet, L"ProxyOverride", L"localhost;127.0.0.1;intranet;<local>");
  WriteText(HKEY_CURRENT_USER, internet, L"AutoConfigURL", L"http://wpad.qzexample.net/p.pac");
  TestKey otherUser(HKEY_USERS, hive);
  otherUser.SetText(L"ProxyServer", L"qzhive.corp:80");
  std::array<wchar_t, 257> user{};
  DWORD size = static_cast<DWORD>(user.size());
  ASSERT_TRUE(GetUserNameW(user.data(), &size));
  const std::string login = WideToUtf8(user.data());
  const std::wstring profile = L"C:\\users\\" + std::wstring(user.data()) + L"\\Qz";
  const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  TestKey program(HKEY_LOCAL_MACHINE, uninstall + L"QzSync");
  program.SetText(L"DisplayName", L"Qz Sync");
  program.SetText(L"Publisher", L"Zephyrcorp Labs");
  program.SetText(L"Contact", L"Quinlan Ostrova, qz.ostrova@zephyrcorp.example, +44 20 7946 0958");
  program.SetText(L"InstallLocation", profile);
  program.SetText(L"UninstallString", L"\"" + profile + L"\\un.exe\" /token QZtok3n -p QzP4ss 22");
  program.SetText(L"QuietUninstallString", L"un.exe /p:Password=QzProp7 \"AccountKey=QzAcctK9;\"");
  program.SetText(
      L"URLInfoAbout",
      std::wstring(L"https://qz.example/?sig=QzSig0x1&u=C%3A%5Cusers%5C") + user.data());
  TestKey office(HKEY_LOCAL_MACHINE, uninstall + L"QzOffice");
  office.SetText(L"DisplayName", L"Microsoft Office Professional Plus 2016");
  TempFolder folder;
  WriteText(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath", Utf8ToWide(folder.path()));
  ASSERT_TRUE(
      WriteWholeFile(folder.File("hosts"),
                     "10.1.2.3 qzproxy.corp qzhive.corp # qz@qzexample.net quinlan ostrova\r\n"
                     "10.1.2.4 qzbox # Quinny's, a4:c3:f0:85:12:34\r\n127.0.0.1 localhost\r\n"
                     "10.1.2.5 files." +
                         DnsDomain() + "\r\n"));

  // The report's own folder and name put the organisation and a secret into the runner's command
  // line, as a company's OneDrive folder would.
  const std::string reports = folder.File("OneDrive - Zephyrcorp Labs");
  ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(reports).c_str(), nullptr));
  const std::string out = reports + "\\r --password=Hunter2QZ";
  const std::vector<std::string> all = {"--level", "advanced", "--all"};
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.end(), all.begin(), all.end());
    const auto done = RunProgram(kRunner, args);
    EXPECT_EQ(done.exitCode, kAllExitOnWine) << done.output;
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(args[1], bytes));
    return bytes;
  };
  run({"--out", out + ".txt"});  // a prefix just made starts its services during its first scan
  const std::string plain = run({"--out", out + ".txt"});
  const std::vector<std::string> redact = {"--redact", "--redact-word", "Quinny", "--redact-map",
                                           folder.File("map.json")};
  auto redacted = redact;
  redacted.insert(redacted.begin(), {"--out", out + ".txt"});
  const std::string text = run(redacted);
  redacted.insert(redacted.end(), {"--format", "json"});
  redacted[1] = out + ".json";
  const std::string json = run(redacted);
  EXPECT_TRUE(ReportSchemaErrors(json).empty());

  std::vector<std::string> seeded = {"Quinlan Ostrova",
                                     "Zephyrcorp Labs",
                                     "qzproxy.corp",
                                     "wpad.qzexample.net",
                                     "qzhive.corp",
                                     "qz.ostrova@zephyrcorp.example",
                                     "qz@qzexample.net",
                                     "QZtok3n",
                                     "Hunter2QZ",
                                     "QzP4ss",
                                     "QzProp7",
                                     "QzAcctK9",
                                     "QzSig0x1",
                                     "+44 20 7946 0958",
                                     "a4:c3:f0:85:12:34",
                                     "Quinny",
                                     "C%3A%5Cusers%5C" + login,
                                     "12345-oem-0000001-54321",
                                     "WINEHDISK",
                                     "\\users\\" + login};
  if (!DnsDomain().empty()) seeded.push_back(DnsDomain());
  std::string jsonText = json;  // a path as it reads, not with its backslashes escaped
  for (auto at = jsonText.find("\\\\"); at != std::string::npos; at = jsonText.find("\\\\", at + 1))
    jsonText.erase(at, 1);
  for (const std::string& value : seeded) {
    EXPECT_TRUE(HoldsWord(plain, value)) << value << " not seeded";
    EXPECT_FALSE(HoldsWord(text, value)) << value;
    EXPECT_FALSE(HoldsWord(jsonText, value)) << value;
  }
  // The computer's name as Windows writes it; a name that is a word stays a word elsewhere.
  EXPECT_FALSE(HoldsWord(text, ComputerName(), false) ||
               HoldsWord(jsonText, ComputerName(), false));
  for (const char* kept : {"Display Name: Microsoft Office Professional Plus 2016",
                           "ProxyOverride = localhost;127.0.0.1;intranet;<local>",
                           "\r\n127.0.0.1 localhost\r\n", "10.1.2.4 qzbox # <word-1>'s, <mac-1>",
                           "Uninstall String: \"C:\\users\\<user-1>\\Qz\\un.exe\" /token "}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  }
  // Processes, and the services of Wine's driver hosts (Winedevice2), come and go between two
  // scans: their blocks are left out of the line-by-line match.
  const auto withoutComingAndGoing = [](Lines lines) {
    for (const std::string_view name : {". Processes ", ". Services "}) {
      const auto isFrame = [name](const std::string& line, std::string_view end) {
        return line.find(name) != std::string::npos && line.ends_with(end);
      };
      const auto start = std::find_if(lines.begin(), lines.end(),
                                      [&](const std::string& l) { return isFrame(l, " Start"); });
      const auto end = std::find_if(start, lines.end(),
                                    [&](const std::string& l) { return isFrame(l, " End"); });
      if (end != lines.end()) lines.erase(start, end);
    }
    return lines;
  };
  // The redacted report says so in its header, after the time; it is its one line more.
  const std::string saysRedacted =
      "Redacted: names, numbers and secrets that identify the machine or its people are "
      "replaced by markers.";
  Lines redactedAll = SplitLines(text);
  ASSERT_GT(redactedAll.size(), 4u);
  EXPECT_EQ(redactedAll[4], saysRedacted);
  EXPECT_EQ(plain.find("Redacted: "), std::string::npos);
  std::erase(redactedAll, saysRedacted);
  const Lines plainLines = withoutComingAndGoing(SplitLines(plain));
  const Lines redactedLines = withoutComingAndGoing(redactedAll);
  ASSERT_EQ(redactedLines.size(), plainLines.size());
  for (std::size_t i = 0; i < redactedLines.size(); ++i) {
    const std::string& line = plainLines[i];
    const std::size_t label = std::min(line.find(": "), line.find(" = "));
    if (label != std::string::npos) {
      EXPECT_EQ(redactedLines[i].substr(0, label + 2), line.substr(0, label + 2)) << line;
    }
  }
  // One user, one marker: the account and the profile paths agree.
  EXPECT_NE(text.find("User Name: <computer>\\<user-1>"), std::string::npos);
  EXPECT_NE(text.find("Install Location: C:\\users\\<user-1>\\Qz"), std::string::npos);
  EXPECT_NE(text.find("Device ID: ROOT\\"), std::string::npos) << "a device id is not a user";
  const Json header = Json::parse(json);
  EXPECT_EQ(header["computer"], "<computer>");
  EXPECT_EQ(header["redacted"], true);
  const auto id = ParseMarker(header.value("machineId", ""));
  EXPECT_TRUE(id && id->kind == IdentityKind::Id) << header["machineId"];
}

// With one map, two redacted reports of the machine give each value the same marker, so their
// comparison lists only the program installed between them; the map is not in the report. A
// map that is no regular file or is damaged stops the report, with the map's name and why.
TEST(Runner, TheRedactionMapKeepsMarkersAndADamagedOneIsRefused) {
  TempFolder folder;
  const std::string map = folder.File("map.json"), out = folder.File("r.json");
  const std::vector<std::string> scan = {"--redact", "--redact-map", map,     "--format", "json",
                                         "--level",  "advanced",     "--all", "--out",    out};
  ASSERT_EQ(RunProgram(kRunner, scan).exitCode, kAllExitOnWine);
  ASSERT_TRUE(
      CopyFileW(Utf8ToWide(out).c_str(), Utf8ToWide(folder.File("old.json")).c_str(), FALSE));
  TestKey added(HKEY_LOCAL_MACHINE,
                L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sysinfo Added");
  added.SetText(L"DisplayName", L"Sysinfo Added");
  added.SetText(L"Publisher", L"Sysinfo Testers");
  ASSERT_EQ(RunProgram(kRunner, scan).exitCode, kAllExitOnWine);
  const auto compared = RunProgram(kRunner, {"--compare", folder.File("old.json"), out});
  EXPECT_EQ(compared.exitCode, 1u);
  for (const char* line :
       {"  + Sysinfo Added, Sysinfo Testers", "1 added, 0 removed, 0 changed in 1 category."})
    EXPECT_NE(compared.output.find(line), std::string::npos) << compared.output;
  std::string kept, report;
  ASSERT_TRUE(ReadWholeFile(map, kept) && ReadWholeFile(out, report));
  EXPECT_NE(kept.find("\"<computer>\""), std::string::npos) << kept;
  EXPECT_EQ(report.find("redaction-map"), std::string::npos);

  ASSERT_TRUE(WriteWholeFile(folder.File("damaged.json"),
                             "{\"version\": 1,\n \"markers\": {\"a\": \"<user-01>\"}}"));
  const struct {
    std::string map, reason;
  } refused[] = {
      {folder.path(), ""},  // the system's reason
      {"NUL", "not a regular disk file"},
      {folder.File("damaged.json"), "line 2, column 14: not a marker this program writes"}};
  for (const auto& [path, reason] : refused) {
    const auto run = RunProgram(
        kRunner, {"--redact", "--redact-map", path, "--all", "--out", folder.File("refused.txt")});
    EXPECT_EQ(run.exitCode, 1u) << path;
    EXPECT_NE(run.output.find("cannot use the redaction map \"" + path + "\": " + reason),
              std::string::npos)
        << run.output;
    EXPECT_FALSE(FileExists(folder.File("refused.txt")));
  }
}

// A path that cannot take the report fails at once, with the system's reason, and leaves no file;
// a read-only earlier report is kept as it was.
TEST(Runner, AReportThatCannotBeCreatedFailsBeforeAnyCategoryRuns) {
  TempFolder folder;
  const std::string readOnly = folder.File("kept.txt");
  ASSERT_TRUE(WriteWholeFile(readOnly, "an earlier report\r\n"));
  ASSERT_TRUE(SetFileAttributesW(Utf8ToWide(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  for (const std::string& out :
       {folder.File("no-such-folder\\report.txt"), folder.path(), readOnly}) {
    const auto run = RunProgram(kRunner, {"--out", out, "--all"});
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    const std::string told = "cannot write the report \"" + out + "\": ";
    const auto at = run.output.find(told);
    ASSERT_NE(at, std::string::npos) << run.output;
    EXPECT_GT(static_cast<unsigned char>(run.output[at + told.size()]), ' ') << "no reason given";
    EXPECT_EQ(run.output.find("Status: Scanning"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Report saved"), std::string::npos);
  }
  EXPECT_FALSE(FileExists(folder.File("no-such-folder\\report.txt")));
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(readOnly, bytes) && bytes == "an earlier report\r\n") << bytes;
}

// An --out name that shares its file with another name is refused before any category runs, with
// exit 2, and that file is left as it was (Wine counts hard links; it shows no symbolic link). An
// earlier report with one name is still written over, all of it.
TEST(Runner, RefusesAnOutputNameWithOtherHardLinks) {
  TempFolder folder;
  const std::string kept = folder.File("kept.txt"), linked = folder.File("linked.txt");
  ASSERT_TRUE(WriteWholeFile(kept, "kept\r\n"));
  ASSERT_TRUE(CreateHardLinkW(Utf8ToWide(linked).c_str(), Utf8ToWide(kept).c_str(), nullptr));
  std::string bytes;
  for (const char* format : {"text", "json"}) {
    const auto run = RunProgram(kRunner,
                                {"--out", linked, "--format", format, "--category", "CPU"});
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_NE(run.output.find("has other names too (hard links)"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("CPU: "), std::string::npos) << "a category ran";
    EXPECT_TRUE(ReadWholeFile(kept, bytes) && bytes == "kept\r\n") << bytes;
  }
  const std::string earlier = folder.File("earlier.txt");
  ASSERT_TRUE(WriteWholeFile(earlier, std::string(1 << 20, '\x01')));
  ASSERT_EQ(RunProgram(kRunner, {"--out", earlier, "--category", "CPU"}).exitCode, 0u);
  ASSERT_TRUE(ReadWholeFile(earlier, bytes));
  EXPECT_TRUE(bytes.ends_with("1. CPU End\r\n" + kSeparator + "\r\n"));
  EXPECT_EQ(bytes.find('\x01'), std::string::npos);
}

// What a comparison document lists, a category a line: "+item", "-item", "~item field ...".
std::string Listed(const Json& comparison) {
  std::string listed;
  for (const Json& category : comparison["categories"]) {
    listed += category["name"].get<std::string>() + ":";
    for (const Json& item : category["added"]) listed += " +" + item["item"].get<std::string>();
    for (const Json& item : category["removed"]) listed += " -" + item["item"].get<std::string>();
    for (const Json& item : category["changed"]) {
      listed += " ~" + item["item"].get<std::string>();
      for (const Json& change : item["changes"]) listed += " " + change["field"].get<std::string>();
    }
    listed += "\n";
  }
  return listed;
}

// Two scans with a program added, one removed and one updated, a hosts line and a proxy changed,
// a hidden program file new and one rewritten between them: the comparison lists exactly these,
// as text and as JSON; a report compared with itself lists nothing.
TEST(Runner, CompareListsTheChangesMadeBetweenTwoScans) {
  const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const std::wstring internet = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  TempFolder folder;
  SavedValue hostsPath(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath");
  WriteText(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath", Utf8ToWide(folder.path()));
  ASSERT_TRUE(WriteWholeFile(folder.File("hosts"), "127.0.0.1 localhost\r\n"));
  SavedValue proxy(HKEY_CURRENT_USER, internet, L"ProxyServer");
  WriteText(HKEY_CURRENT_USER, internet, L"ProxyServer", L"old.example:8080");
  auto program = [&](const std::wstring& name) {
    auto key = std::make_unique<TestKey>(HKEY_LOCAL_MACHINE, uninstall + name, KEY_WOW64_64KEY);
    key->SetText(L"DisplayName", name);
    key->SetText(L"Publisher", L"Sysinfo Testers");
    key->SetText(L"DisplayVersion", L"1.0");
    return key;
  };
  auto kept = program(L"Sysinfo Kept"), removed = program(L"Sysinfo Removed");
  auto updated = program(L"Sysinfo Updated");
  PlacedFiles placed;
  const std::string appData = GetSpecialFolder(kFolderRoamingAppData) + "\\sysinfo-compare-";
  const std::string rewritten = placed.Write(appData + "rewritten.exe", "first content");
  std::vector<std::string> scan = {"--format",   "json",
                                   "--level",    "advanced",
                                   "--category", "Software",
                                   "--category", "Host File Info",
                                   "--category", "Proxy Info",
                                   "--category", "Suspicious Files!",
                                   "--out",      ""};
  const std::string before = folder.File("old.json"), after = folder.File("new.json");
  scan.back() = before;
  ASSERT_EQ(RunProgram(kRunner, scan).exitCode, 0u);

  removed.reset();
  updated->SetText(L"DisplayVersion", L"2.0");
  auto added = program(L"Sysinfo Added");
  ASSERT_TRUE(
      WriteWholeFile(folder.File("hosts"), "127.0.0.1 localhost\r\n10.6.6.6 bank.example\r\n"));
  WriteText(HKEY_CURRENT_USER, internet, L"ProxyServer", L"new.example:3128");
  const std::string fresh = placed.Write(appData + "new.exe", "new program", FILE_ATTRIBUTE_HIDDEN);
  // New file times, as the report shows them to the second (Wine's creation time is the time of
  // the last change to the file's inode).
  Sleep(1100);
  ASSERT_TRUE(WriteWholeFile(rewritten, "other content"));
  scan.back() = after;
  ASSERT_EQ(RunProgram(kRunner, scan).exitCode, 0u);

  const auto text = RunProgram(kRunner, {"--compare", before, after});
  EXPECT_EQ(text.exitCode, 1u) << text.output;
  for (const char* line : {"  + 10.6.6.6 bank.example", "      DisplayVersion: 1.0 -> 2.0",
                           "      ProxyServer: old.example:8080 -> new.example:3128",
                           "3 added, 1 removed, 3 changed in 4 categories."}) {
    EXPECT_NE(text.output.find(line), std::string::npos) << line << " in\n" << text.output;
  }
  const std::string out = folder.File("differences.json");
  const auto json = RunProgram(kRunner,
                               {"--compare", before, after, "--format", "json", "--out", out});
  EXPECT_EQ(json.exitCode, 1u) << json.output;
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(out, bytes));
  EXPECT_EQ(SchemaErrors(Schema::Comparison, bytes), Lines{}) << bytes;
  EXPECT_EQ(
      Listed(Json::parse(bytes)),
      "Host File Info: +10.6.6.6 bank.example\nProxy Info: ~HKEY_CURRENT_USER\\" +
          WideToUtf8(internet) +
          " ProxyServer\nSoftware: +Sysinfo Added, Sysinfo Testers "
          "-Sysinfo Removed, Sysinfo Testers ~Sysinfo Updated, Sysinfo Testers DisplayVersion\n"
          "Suspicious Files!: +" +
          fresh + " ~" + rewritten + " CRC32 MD5 CreationTime LastWriteTime SHA256\n");
  for (const std::string& report : {before, after}) {
    const auto same = RunProgram(kRunner, {"--compare", report, report});
    EXPECT_EQ(same.exitCode, 0u) << same.output;
    EXPECT_NE(same.output.find("No differences."), std::string::npos) << same.output;
  }
}

// What a user installs for themselves, around an extension added and a per-user program upgraded:
// the comparison lists exactly those two, and a redacted report hides the user's name in the paths
// of both categories.
TEST(Runner, CompareAndRedactWhatAUserInstalled) {
  const std::string local = GetSpecialFolder(kFolderLocalAppData);
  ASSERT_FALSE(local.empty());
  TestKey program(HKEY_CURRENT_USER,
                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SysinfoUserTool");
  program.SetText(L"DisplayName", L"Sysinfo User Tool");
  program.SetText(L"Publisher", L"Sysinfo Testers");
  program.SetText(L"DisplayVersion", L"1.0");
  program.SetText(L"InstallLocation", Utf8ToWide(local + "\\Programs\\SysinfoUserTool"));
  TempFolder folder;
  const auto scan = [](const std::string& out, std::vector<std::string> more) {
    std::vector<std::string> args = {"--level",       "advanced",   "--category",
                                     "User Software", "--category", "Browser Extensions",
                                     "--out",         out};
    args.insert(args.end(), more.begin(), more.end());
    return RunProgram(kRunner, args);
  };
  const std::string before = folder.File("old.json"), after = folder.File("new.json");
  // Wine has no update history: Windows Updates is read in part, and its build still compared.
  const std::vector<std::string> json = {"--format", "json", "--category", "Windows Updates"};
  ASSERT_EQ(scan(before, json).exitCode, 3u);

  PlacedFiles placed;
  const std::string id(32, 'e');
  placed.WriteBelow(
      local, "Google\\Chrome\\User Data\\Default\\Secure Preferences",
      R"({"extensions": {"settings": {")" + id +
          R"(": {"location": 1, "from_webstore": true, "state": 1, "path": ")" + id +
          R"(\\3.1_0", "manifest": {"name": "Sysinfo Helper", "version": "3.1"}}}}})");
  program.SetText(L"DisplayVersion", L"2.0");
  const wchar_t* const currentVersion = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const SavedValue revision(HKEY_LOCAL_MACHINE, currentVersion, L"UBR");
  const DWORD updated = 4242;
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, currentVersion, L"UBR", REG_DWORD, &updated, sizeof updated);
  ASSERT_EQ(scan(after, json).exitCode, 3u);
  const auto compared = RunProgram(kRunner, {"--compare", before, after});
  EXPECT_EQ(compared.exitCode, 1u) << compared.output;
  for (const std::string& line : std::vector<std::string>{
           "Note: Windows Updates is compared without Windows Update history: its scan ended "
           "failed in the old report and failed in the new one (Windows Update history: ",
           "User Software: 0 added, 0 removed, 1 changed", "      DisplayVersion: 1.0 -> 2.0",
           "Windows Updates: 0 added, 0 removed, 1 changed", ".4242\r\n",
           "Browser Extensions: 1 added, 0 removed, 0 changed", ", Chrome, Default, " + id + "\r\n",
           "1 added, 0 removed, 2 changed in 3 categories."}) {
    EXPECT_NE(compared.output.find(line), std::string::npos) << line << " in\n" << compared.output;
  }

  const std::string redacted = folder.File("redacted.txt");
  ASSERT_EQ(scan(redacted, {"--redact"}).exitCode, 0u);
  std::string text;
  ASSERT_TRUE(ReadWholeFile(redacted, text));
  const std::string profile = local.substr(0, local.find("\\AppData"));
  const std::string login = profile.substr(profile.rfind('\\') + 1);
  const std::string hidden = profile.substr(0, profile.size() - login.size()) + "<user-";
  EXPECT_EQ(text.find(profile + "\\"), std::string::npos) << text;
  EXPECT_NE(text.find("Install Location: " + hidden), std::string::npos) << text;
  EXPECT_NE(text.find("Path: " + hidden), std::string::npos) << text;
}

// A report of machine PC at level Advanced holding `categories` (JSON text).
std::string ReportText(const std::string& categories,
                       const std::string& level = R"({"number": 3, "name": "Advanced"})") {
  return R"({"schemaVersion": 1, "tool": {"name": "Veltrix - System Information", "version": )"
         R"("1.0.2"}, "computer": "PC", "scanTime": "2026-01-02T03:04:05+00:00", "level": )" +
         level + R"(, "categories": [)" + categories + "]}";
}

// A finished category holding `holds` ("items": [...] for most).
std::string CategoryText(const std::string& name, const std::string& holds) {
  return R"({"name": ")" + name + R"(", "section": 1, "status": "ok", "elapsedMs": 0, )" + holds +
         "}";
}
std::string ItemsText(const std::string& name, const std::string& items) {
  return CategoryText(name, R"("items": [)" + items + "]");
}

// Reports nobody here wrote: each is refused with one short line and exit status 2, or compared
// as what it says, never crashing, hanging or read as another report.
TEST(Runner, CompareReadsHostileReportsSafely) {
  struct Case {
    const char* what;
    std::string oldText, newText;
    unsigned long exitCode;
    std::string said;
    const char* oldPath = nullptr;  // a name to give instead of the old text's file
  };
  const std::string cpu = ItemsText("CPU", R"({"DeviceID": "CPU0", "x": 1})");
  const std::string fine = ReportText(cpu);
  const auto field = [](const std::string& value) {
    return ReportText(ItemsText("CPU", R"({"x": )" + value + "}"));
  };
  const auto proxy = [](const char* path, const char* values) {
    return ReportText(CategoryText("Proxy Info", std::string(R"("keys": [{"path": ")") + path +
                                                     R"(", "values": {)" + values + "}}]"));
  };
  const auto hosts = [](const char* path) {
    return ReportText(CategoryText(
        "Host File Info", std::string(R"("path": ")") + path + R"(", "lines": ["1.2.3.4 a"])"));
  };
  const std::string processes = ReportText(ItemsText("Processes", ""));
  const Case cases[] = {
      {"1e400", field("1e400"), fine, 2, "line 1, column 288: a number out of range"},
      {"-1e400", field("-1e400"), fine, 2, "a number out of range"},
      {"ten million digits", field(std::string(10'000'000, '9')), fine, 2, "longer than 64"},
      {"10,000 deep", field(std::string(10'000, '[') + std::string(10'000, ']')), fine, 2,
       "nested more than 7 levels deep"},
      {"an unfinished 10 MB string", field('"' + std::string(10'000'000, 'a')), fine, 2,
       "a string without its closing quote"},
      {"raw bytes", field("\"\xFF\x1B[2J\""), fine, 2, "bytes that are not UTF-8"},
      {"COM1", "", fine, 2, "\"COM1\": not a regular disk file", "COM1"},
      {"AUX", "", fine, 2, "\"AUX\": not a regular disk file", "AUX"},
      {"an array as a field's value", fine, field("[1, 2]"), 2, "\"x\" holds more than a single"},
      {"a proxy value named path", proxy("HKCU\\\\A", R"("path": "HKCU\\B", "P": 1)"),
       proxy("HKCU\\\\B", R"("P": 1)"), 1, "  + HKCU\\B\r\n  - HKCU\\A\r\n"},
      {"past 64 bits", field("18446744073709551616"), field("18446744073709551617"), 2,
       "a whole number past 64 bits"},
      {"1 and 1.0 in a key and a plain field",
       ReportText(ItemsText("Processes", R"({"Name": 1, "Priority": 1})")),
       ReportText(ItemsText("Processes", R"({"Name": 1.0, "Priority": 1e0})")), 0,
       "No differences."},
      {"numbers as written", field("18446744073709551615"), field("1e20"), 1,
       "x: 18446744073709551615 -> 1e20\r\n"},
      {"two members of one name", "{\"schemaVersion\": 2, " + fine.substr(1), fine, 2,
       "line 1, column 22: a second member named \"schemaVersion\""},
      {"status 5",
       ReportText(R"({"name": "CPU", "section": 1, "status": 5, "elapsedMs": 0, "items": []})"),
       fine, 2, "\"status\" is not text"},
      {"level 9", ReportText(cpu, R"({"number": 9, "name": "Advanced"})"), fine, 2,
       "\"number\" is not a whole number from 1 to 3"},
      {"level 4294967299", ReportText(cpu, R"({"number": 4294967299, "name": "Advanced"})"), fine,
       2, "\"number\" is not a whole number from 1 to 3"},
      {"an unknown category", ReportText(ItemsText("Memory", "")), fine, 2,
       "an unknown category \"Memory\""},
      {"a category twice", ReportText(cpu + ", " + cpu), fine, 2,
       "the category \"CPU\" a second time"},
      {"a category's name not text", ReportText(R"({"name": 5, "items": []})"), fine, 2,
       "\"name\" is not text"},
      {"the hosts file moved", hosts("C:\\\\a"), hosts("C:\\\\b"), 1,
       "  ~ (file)\r\n      path: C:\\a -> C:\\b\r\n"},
      {"key fields null, empty or holding \", \"", processes,
       ReportText(ItemsText("Processes", R"({"Name": null}, {"Name": ""}, {"Name": "x, y"},)"
                                         R"({"Name": "x", "ExecutablePath": "y"})")),
       1, "  + (no name)\r\n  + \"\"\r\n  + \"x, y\"\r\n  + x, y\r\n"},
  };
  TempFolder folder;
  const std::string oldFile = folder.File("old.json"), newFile = folder.File("new.json");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteWholeFile(oldFile, c.oldText) && WriteWholeFile(newFile, c.newText));
    const auto run = RunProgram(kRunner, {"--compare", c.oldPath ? c.oldPath : oldFile, newFile});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output.substr(0, 300);
    EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output.substr(0, 300);
    if (c.exitCode != 2) continue;
    // One line (the console ends it with CR LF) of at most 200 printable characters.
    const std::string line = run.output.substr(0, run.output.find_last_not_of("\r\n") + 1);
    EXPECT_LE(line.size(), 200u);
    EXPECT_EQ(line + "\r\n", run.output);
    EXPECT_FALSE(std::any_of(line.begin(), line.end(), [](char byte) {
      return byte >= 0 && byte < ' ';
    })) << line;
  }
}

// --out naming one of the reports, in any spelling or through a hard link, is refused before
// anything is read or written.
TEST(Runner, CompareNeverWritesOverAReport) {
  TempFolder folder;
  const std::string report = folder.File("old.json"), link = folder.File("link.json");
  const std::string text = ReportText(ItemsText("CPU", R"({"DeviceID": "CPU0"})"));
  ASSERT_TRUE(WriteWholeFile(report, text));
  ASSERT_TRUE(CreateHardLinkW(Utf8ToWide(link).c_str(), Utf8ToWide(report).c_str(), nullptr));
  std::string upper = report;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return std::toupper(c); });
  for (const std::string& out : {report, upper, folder.path() + "\\.\\old.json", link}) {
    const auto run = RunProgram(kRunner, {"--compare", report, report, "--out", out});
    EXPECT_EQ(run.exitCode, 2u) << out << ": " << run.output;
    EXPECT_NE(run.output.find("is a report compared, not written over"), std::string::npos)
        << run.output;
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(report, bytes) && bytes == text) << out;
  }
}

// A mistake is answered in one line that names it, and where to read more; a report goes where a
// console user expects it, or is refused naming what is wrong with the place.
TEST(Runner, ConsoleConventions) {
  const auto unknown = RunProgram(kRunner, {"--out", "x.txt", "--category", "Memory"});
  EXPECT_EQ(unknown.exitCode, 2u);
  EXPECT_EQ(unknown.output,
            "sysinfo-report: unknown category \"Memory\"\r\nTry \"sysinfo-report --help\" for "
            "more.\r\n");
  EXPECT_EQ(RunProgram(kRunner, {"--help"}).exitCode, 0u);
  const auto version = RunProgram(kRunner, {"--version"});
  EXPECT_EQ(version.exitCode, 0u);
  EXPECT_EQ(version.output, "sysinfo-report " + ProgramVersion() + "\r\n");
  // The file says its version as the window program's does, as its own file.
  for (const auto& [program, description] :
       {std::pair{"sysinfo-report.exe", "Veltrix System Information report runner"},
        std::pair{"sysinfo.exe", "Veltrix System Information"}}) {
    cFixedFileInfo info;
    info.FullPathName(ProgramFolder() + "\\" + program);
    const VersionStrings& strings = info.Strings();
    EXPECT_EQ((std::vector<std::string>{strings.fileVersion, strings.productVersion,
                                        strings.fileDescription, strings.originalFilename}),
              (std::vector<std::string>{ProgramVersion(), ProgramVersion(), description, program}));
  }
  const auto missing = RunProgram(kRunner, {"--compare", "no-such.json", "no-such.json"});
  EXPECT_EQ(missing.exitCode, 2u);
  const auto told = missing.output.find("cannot compare \"no-such.json\": ");
  ASSERT_NE(told, std::string::npos) << missing.output;
  EXPECT_GT(static_cast<unsigned char>(missing.output[told + 31]), ' ') << "no reason given";

  TempFolder folder;
  const std::string textReport = folder.File("report.txt");
  ASSERT_EQ(RunProgram(kRunner, {"-o", textReport, "--category=cpu"}).exitCode, 0u);
  const auto notJson = RunProgram(kRunner, {"--compare", textReport, textReport});
  EXPECT_EQ(notJson.exitCode, 2u);
  EXPECT_NE(notJson.output.find("not a JSON report of this program (write one with --format json)"),
            std::string::npos)
      << notJson.output;
  // --out - is standard output: the report itself and nothing else.
  std::string written;
  ASSERT_TRUE(ReadWholeFile(textReport, written));
  const auto piped = RunProgram(kRunner, {"--out", "-", "--category", "CPU", "--format", "json"});
  EXPECT_EQ(piped.exitCode, 0u);
  EXPECT_NE(piped.output.find("\"schemaVersion\""), std::string::npos) << piped.output;
  EXPECT_NE(piped.output.find("\"name\": \"CPU\""), std::string::npos) << piped.output;
  EXPECT_EQ(piped.output.find("Report saved"), std::string::npos) << piped.output;
  EXPECT_EQ(GetFileAttributesW(L"-"), INVALID_FILE_ATTRIBUTES);  // no file named "-" made

  const std::pair<std::string, std::string> places[] = {
      {folder.path(), "it is a folder; give a file name inside it"},
      {folder.File("no-such-folder\\r.txt"),
       "the folder \"" + folder.File("no-such-folder") + "\" does not exist"},
      {textReport + "\\r.txt", "\"" + textReport + "\" is a file, not a folder"},
      {"CON", "it is a device, not a file (--out - writes to the console)"},
  };
  for (const auto& [place, reason] : places) {
    const auto run = RunProgram(kRunner, {"--out", place, "--category", "CPU"});
    EXPECT_NE(run.exitCode, 0u) << place;
    EXPECT_NE(run.output.find("cannot write the report \"" + place + "\": " + reason),
              std::string::npos)
        << run.output;
  }
}

}  // namespace
}  // namespace sysinfo
