// Browser Extensions over fake users, files and policies: every user's profiles at each level
// (expected lines in data/browser_extensions.txt), and hostile or unreadable files named.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "collectors/browser_extensions.h"
#include "report/report.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::FakeRegistry;
using testing::Text;

constexpr const char* kSelf = "S-1-5-21-1-1-1-1000";
constexpr const char* kOther = "S-1-5-21-1-1-1-1001";
constexpr const char* kGone = "S-1-5-21-1-1-1-1002";
const std::string kLocal = "C:\\Users\\me\\AppData\\Local\\";
const std::string kChrome = kLocal + "Google\\Chrome\\User Data\\Default\\";
const std::string kPolicies = "SOFTWARE\\Policies\\";

// The users' files: each file's parent folders are listed as subfolders, in the order added.
class FakeProfiles final : public UserProfileSystem {
 public:
  std::map<std::string, Result<std::optional<std::string>>> files;
  std::map<std::string, Result<std::vector<std::string>>> folders;
  std::vector<std::string> asked;

  void Add(const std::string& path, Result<std::optional<std::string>> content) {
    files[path] = std::move(content);
    for (std::size_t slash = path.rfind('\\'); slash > 2; slash = path.rfind('\\', slash - 1)) {
      const std::string parent = path.substr(0, slash);
      const std::size_t up = parent.rfind('\\');
      auto& names = folders[parent.substr(0, up)].value;
      if (std::find(names.begin(), names.end(), parent.substr(up + 1)) == names.end())
        names.push_back(parent.substr(up + 1));
    }
  }
  void Add(const std::string& path, const std::string& text) {
    Add(path, Result<std::optional<std::string>>{text, {}});
  }

  std::string CurrentUserSid() override { return kSelf; }
  std::string AccountName(const std::string& sid) override {
    return sid == kSelf ? "PC\\me" : sid == kOther ? "PC\\other" : "";
  }
  Result<std::optional<std::string>> SmallFile(const std::string& path, std::size_t) override {
    asked.push_back(path);
    const auto found = files.find(path);
    return found == files.end() ? Result<std::optional<std::string>>{} : found->second;
  }
  Result<std::vector<std::string>> Subfolders(const std::string& folder, std::size_t) override {
    const auto found = folders.find(folder);
    return found == folders.end() ? Result<std::vector<std::string>>{} : found->second;
  }
};

// Three users: the scan's own, another whose hive is loaded, and one known only by its profile.
struct Machine {
  FakeRegistry keys;
  FakeProfiles files;

  Machine() {
    const std::string list = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
    for (const auto& [sid, folder] :
         {std::pair{kSelf, "C:\\Users\\me"}, std::pair{kOther, "C:\\Users\\other"},
          std::pair{kGone, "C:\\Users\\gone"}}) {
      keys.Set(RegistryRoot::LocalMachine, list + sid, "ProfileImagePath", Text(folder));
    }
    keys.AddKey(RegistryRoot::Users, kSelf);
    keys.AddKey(RegistryRoot::Users, kOther);
  }

  std::vector<std::string> Collect(DetailLevel level, CategoryStatus* status = nullptr) {
    testing::CapturedReport report;
    report.writer().BeginCategory("Browser Extensions", 20, {}, {});
    CollectBrowserExtensions(report.writer(), keys, files, level);
    const CategoryOutcome outcome = report.writer().EndCategory(0);
    if (status) *status = outcome.status;
    return report.Lines();
  }
};

const auto kExpected = testing::ReadLevelBlocks("browser_extensions.txt");

TEST(BrowserExtensions, EveryUsersProfilesAtEachLevel) {
  Machine machine;
  FakeProfiles& files = machine.files;
  // clang-format off
  files.Add(kChrome + "Secure Preferences", R"({"extensions": {"settings": {
      "aaaa": {"location": 1, "from_webstore": true, "path": "aaaa\\1.0_0", "state": 1, "first_install_time": "13300000000000000"},
      "bbbb": {"location": 3, "path": "bbbb\\2.0_0", "disable_reasons": [1]},
      "cccc": {"ack_prompt_count": 1}}}})");
  files.Add(kChrome + "Preferences", R"({"extensions": {"settings": {
      "aaaa": {"location": 1, "path": "elsewhere"},
      "dddd": {"location": 4, "path": "C:\\dev\\ext", "manifest": {"name": "Dev Tool", "version": "0.1", "permissions": ["tabs", "https://*.example.com/*"]}}}}})");
  files.Add(kChrome + "Extensions\\aaaa\\1.0_0\\manifest.json", "\xEF\xBB\xBF" R"({"name": "__MSG_appName__", "version": "1.0",
      "permissions": ["storage", "<all_urls>"], "host_permissions": ["https://example.org/*"], "update_url": "https://clients2.google.com/service/update2/crx"})");
  files.Add(kChrome + "Extensions\\bbbb\\2.0_0\\manifest.json", R"({"name": "Sideloaded", "version": "2.0"})");
  files.Add(kLocal + "Google\\Chrome\\User Data\\System Profile\\Preferences", R"({"extensions": {"settings": {"zzzz": {"location": 1}}}})");
  files.Add(kLocal + "Google\\Chrome\\User Data\\Profile 2\\Preferences", R"({"extensions": {"settings": {"eeee": {"location": 5, "manifest": {"name": "Viewer"}}}}})");
  files.Add("C:\\Users\\me\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abc.default-release\\extensions.json", R"({"addons": [
      {"id": "blocker@example", "type": "extension", "version": "1.5", "active": true, "visible": true, "location": "app-profile",
       "sourceURI": "https://addons.mozilla.org/blocker.xpi", "defaultLocale": {"name": "Blocker"}, "installDate": 1700000000000,
       "userPermissions": {"permissions": ["dns"], "origins": ["<all_urls>"]}, "path": "C:\\Users\\me\\blocker.xpi"},
      {"id": "dark@example", "type": "theme", "version": "1"},
      {"id": "blocker@example", "type": "extension", "visible": false, "location": "app-system-share"},
      {"id": "corp@example", "type": "extension", "version": "3", "userDisabled": true, "location": "app-profile",
       "sourceURI": "https://corp.example/corp.xpi", "defaultLocale": {"name": "Corp"}}]})");
  files.Add("C:\\Users\\other\\AppData\\Local\\Microsoft\\Edge\\User Data\\Default\\Secure Preferences",
            R"({"extensions": {"settings": {"ffff": {"location": 1, "path": "ffff\\1_0", "manifest": {"name": "Edge Helper", "version": "1"}}}}})");
  files.Add("C:\\Users\\gone\\AppData\\Roaming\\Opera Software\\Opera Stable\\Preferences",
            R"({"extensions": {"settings": {"hhhh": {"location": 2, "was_installed_by_default": true, "manifest": {"name": "Opera Thing"}}}}})");
  machine.keys.Set(RegistryRoot::CurrentUser, "Software\\Policies\\Mozilla\\Firefox\\Extensions\\Install", "1", Text("https://corp.example/corp.xpi"));
  machine.keys.Set(RegistryRoot::Users, std::string(kOther) + "\\Software\\Policies\\Microsoft\\Edge\\ExtensionInstallForcelist", "1", Text("ffff;https://edge.example/update"));
  machine.keys.Set(RegistryRoot::LocalMachine, kPolicies + "Google\\Chrome", "ExtensionSettings",
                   Text(R"({"gggg,aaaa": {"installation_mode": "force_installed", "update_url": "https://corp.example/crx"}, "*": {"installation_mode": "blocked"}})"));
  // A hive whose folder is the scan's own user's, another user's folder this user may not read,
  // and a policy that is not JSON.
  machine.keys.Set(RegistryRoot::Users, ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "Local AppData", Text(kLocal.substr(0, kLocal.size() - 1)));
  files.folders["C:\\Users\\other\\AppData\\Local\\Vivaldi\\User Data"] = {{}, Failure("Access is denied.")};
  machine.keys.Set(RegistryRoot::Users, std::string(kOther) + "\\Software\\Policies\\Google\\Chrome", "ExtensionSettings", Text("{not JSON"));
  // clang-format on
  for (DetailLevel level : kDetailLevels) {
    CategoryStatus status{};
    EXPECT_EQ(machine.Collect(level, &status), LinesAt(level, kExpected.at("users")))
        << LevelCaption(level);
    EXPECT_EQ(status, CategoryStatus::Failed);  // the folder denied, not the policy misspelt
  }
}

struct Hostile {
  const char* what;
  std::string file;  // below Chrome's Default profile of the scan's own user
  Result<std::optional<std::string>> content;
  std::vector<std::string> shown;  // the lines naming it
  CategoryStatus status;  // Ok: a file that is read but not used is no failure of the platform
};

// Each bad file is one block naming it and why; the profile's other extension is still listed,
// and no path a file gives leads the scan outside the profile or onto a share.
TEST(BrowserExtensions, ABadFileIsNamedWithWhyAndTheRestListed) {
  const std::string deep = std::string(100, '[') + std::string(100, ']');
  const std::string outside =
      R"({"extensions": {"settings": {"x": {"location": 1, "path": "..\\..\\..\\..\\x"}}}})";
  const std::string share =
      R"({"extensions": {"settings": {"x": {"location": 4, "path": "\\\\server\\share\\x"}}}})";
  // clang-format off
  const std::vector<Hostile> cases = {
      {"truncated", "Secure Preferences", {R"({"extensions": {"settings": {"x)", {}},
       {"Source: " + kChrome + "Secure Preferences", "Not Read: line 1, column 30: not JSON: a string without its closing quote"}, CategoryStatus::Ok},
      {"nested", "Secure Preferences", {deep, {}},
       {"Not Read: line 1, column 33: nested more than 32 levels deep"}, CategoryStatus::Ok},
      {"denied", "Secure Preferences", {std::nullopt, Failure("Access is denied.")},
       {"Source: " + kChrome + "Secure Preferences", "Not Read: Access is denied."}, CategoryStatus::Failed},
      {"outside", "Secure Preferences", {outside, {}},
       {"Source: " + kChrome + "Extensions\\..\\..\\..\\..\\x", "Not Read: a folder outside the profile's Extensions folder"}, CategoryStatus::Ok},
      {"share", "Secure Preferences", {share, {}},
       {"Source: \\\\server\\share\\x", "Not Read: not a folder on a local drive"}, CategoryStatus::Ok},
      {"CR LF", "Extensions\\good\\1_0\\manifest.json", {R"({"name": "Evil\r\nID: forged", "version": "6"})", {}},
       {"ID: good", "Name: Evil<U+000D><U+000A>ID: forged"}, CategoryStatus::Ok},
  };
  // clang-format on
  for (const Hostile& hostile : cases) {
    SCOPED_TRACE(hostile.what);
    Machine machine;
    machine.files.Add(
        kChrome + "Preferences",
        R"({"extensions": {"settings": {"good": {"location": 1, "path": "good\\1_0"}}}})");
    machine.files.Add(kChrome + hostile.file, hostile.content);
    CategoryStatus status{};
    const std::vector<std::string> lines = machine.Collect(DetailLevel::Basic, &status);
    EXPECT_EQ(status, hostile.status);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ID: good"), 1);
    for (const std::string& line : hostile.shown)
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    for (const std::string& asked : machine.files.asked) {
      EXPECT_EQ(asked.find(".."), std::string::npos) << asked;
      EXPECT_FALSE(asked.starts_with("\\\\")) << asked;
    }
  }
}

}  // namespace
}  // namespace sysinfo
