// Store Apps on Wine's real registry and disk: planted packages, per user and for all users, with
// hostile manifests, each listed once, and the startup task in Autostart Entries.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>

#include "base/text.h"
#include "base/unicode_win.h"
#include "collectors/autostart_win.h"
#include "collectors/file_examinations.h"
#include "collectors/store_packages.h"
#include "collectors/suspicious_files_win.h"
#include "collectors/user_profiles_win.h"
#include "support/registry_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/test_keys.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;

const std::wstring kAppModel =
    L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel";
const std::wstring kStore = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Appx\\AppxAllUserStore";

// The shallowest key of the path that is not there yet, made for the test and removed with all
// below it; nothing Wine had is removed.
std::optional<TestKey> PlantedTree(HKEY root, const std::wstring& path) {
  for (std::size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
    const std::wstring prefix = path.substr(0, end);
    UniqueKey opened;
    if (RegOpenKeyExW(root, prefix.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS)
      return std::optional<TestKey>(std::in_place, root, prefix);
    if (end == std::wstring::npos) return std::nullopt;
  }
}

std::string Manifest(const std::string& name, const std::string& body) {
  return "<?xml version=\"1.0\"?>\r\n<Package xmlns=\"http://x/foundation\" "
         "xmlns:uap5=\"http://x/uap5\"><Identity Name=\"" +
         name + "\" Publisher=\"CN=Sysinfo\" Version=\"1.0.0.0\" ProcessorArchitecture=\"x64\"/>" +
         body + "</Package>";
}

TEST(StoreAppsOnWine, PlantedPackagesAreListedOnceWithTheirTask) {
  const std::string id = std::to_string(GetCurrentProcessId());
  const std::string sid = CurrentUserSidText();
  ASSERT_FALSE(sid.empty());
  TempFolder temp;
  PlacedFiles placed;
  const auto full = [&id](const std::string& name) {
    return "Sysinfo." + name + id + "_1.0.0.0_x64__sysinfotest";
  };
  std::string nested;
  for (int i = 0; i < 40; ++i) nested += "<Deeper>";
  // Each package's folder and manifest: a good one with a startup task, one provisioned for all
  // users, and the hostile ones.
  const std::vector<std::pair<std::string, std::string>> packages = {
      {"Good",
       Manifest("Sysinfo.Good" + id,
                "<Properties><DisplayName>Good&#13;&#10;Forged: line</DisplayName>"
                "</Properties><Applications><Application Id=\"App\" Executable=\"good.exe\">"
                "<Extensions><uap5:Extension Category=\"windows.startupTask\"><uap5:"
                "StartupTask TaskId=\"SysinfoTask\" Enabled=\"true\"/></uap5:Extension>"
                "</Extensions></Application></Applications>")},
      {"Provisioned", Manifest("Sysinfo.Provisioned" + id, "")},
      {"Entity", "<?xml version=\"1.0\"?><!DOCTYPE Package [<!ENTITY x SYSTEM "
                 "\"file:///c:/windows/win.ini\">]><Package><Identity Name=\"&x;\"/></Package>"},
      {"Truncated", Manifest("Sysinfo.Truncated" + id, "<Properties><DisplayName>Cut")},
      {"Nested", Manifest("Sysinfo.Nested" + id, nested)},
  };
  const std::wstring repository = kAppModel + L"\\Repository\\Packages\\";
  const std::optional<TestKey> appModel = PlantedTree(HKEY_CURRENT_USER, repository + L"x");
  const std::optional<TestKey> store = PlantedTree(HKEY_LOCAL_MACHINE, kStore + L"\\Applications");
  const std::wstring mine = kStore + L"\\" + Utf8ToWide(sid) + L"\\";
  const std::optional<TestKey> users = PlantedTree(HKEY_LOCAL_MACHINE, mine + L"x");
  std::vector<std::unique_ptr<TestKey>> keys;
  for (const auto& [name, manifest] : packages) {
    const std::string folder = placed.MakeFolder(temp.File(name));
    placed.Write(folder + "\\AppxManifest.xml",
                 name == "Truncated" ? manifest.substr(0, manifest.find("Cut") + 3) : manifest);
    const std::wstring package = Utf8ToWide(full(name));
    keys.push_back(
        std::make_unique<TestKey>(HKEY_LOCAL_MACHINE, kStore + L"\\Applications\\" + package));
    keys.back()->SetText(L"Path", Utf8ToWide(folder + "\\AppxManifest.xml"));
    if (name == "Provisioned") continue;
    keys.push_back(std::make_unique<TestKey>(HKEY_CURRENT_USER, repository + package));
    keys.back()->SetText(L"PackageRootFolder", Utf8ToWide(folder));
    keys.push_back(std::make_unique<TestKey>(HKEY_LOCAL_MACHINE, mine + package));
  }
  const std::wstring family = L"Sysinfo.Good" + Utf8ToWide(id) + L"_sysinfotest";
  TestKey state(HKEY_CURRENT_USER, kAppModel + L"\\SystemAppData\\" + family + L"\\SysinfoTask");
  state.SetDword(L"State", 1);

  WindowsRegistry registry;
  WindowsUserProfiles profiles;
  CapturedReport report;
  CollectStoreApps(report.writer(), registry, profiles, DetailLevel::Moderate);
  const Lines lines = report.Lines();
  const auto count = [&lines](const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
  };
  for (const auto& [name, manifest] : packages)
    EXPECT_EQ(count("Package Full Name: " + full(name)), 1) << name;
  const std::string good = temp.File("Good");
  EXPECT_EQ(count("Display Name: Good<U+000D><U+000A>Forged: line"), 1);
  EXPECT_EQ(count("Startup Tasks: SysinfoTask (Enabled): " + good + "\\good.exe"), 1);
  EXPECT_EQ(count("Source: AppModel repository and all-users store"), 4);
  EXPECT_EQ(count("User: All Users"), 1);
  EXPECT_EQ(count("Manifest Error: line 1: a document type declaration, which is not read"), 1);
  EXPECT_EQ(count("Manifest Error: line 2: the document ends inside <DisplayName>"), 1);
  EXPECT_EQ(count("Manifest Error: line 2: elements nested deeper than 32"), 1);
  EXPECT_EQ(count("Forged: line"), 0);

  DiskFileSource files;
  FileExaminations examined{files};
  WindowsAutostartSystem system;
  AutostartSources sources{registry, system, examined, &profiles};
  const Result<std::vector<AutostartEntry>> gathered = GatherAutostartEntries(sources);
  const auto tasks = std::count_if(
      gathered.value.begin(), gathered.value.end(), [&](const AutostartEntry& entry) {
        return entry.family == "Packaged Apps" && entry.name == "SysinfoTask" &&
               EqualsIgnoreCase(entry.image, good + "\\good.exe") &&
               entry.state == "Disabled by the user" &&
               entry.location == "HKEY_CURRENT_USER\\" + WideToUtf8(kAppModel) +
                                     "\\SystemAppData\\" + WideToUtf8(family);
      });
  EXPECT_EQ(tasks, 1);
}

}  // namespace
}  // namespace sysinfo
