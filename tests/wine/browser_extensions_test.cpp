// Browser Extensions on Wine's real disk and registry: profiles of two Chromium-family browsers and
// Firefox planted in the current user's folders, policies forcing extensions, hostile files.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/special_folders_win.h"
#include "base/unicode_win.h"
#include "collectors/browser_extensions.h"
#include "collectors/user_profiles_win.h"
#include "report/report.h"
#include "support/registry_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/test_keys.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;

using Block = std::map<std::string, std::string>;

// The report's blocks, each its lines by label.
std::vector<Block> Blocks(const std::vector<std::string>& lines) {
  std::vector<Block> blocks(1);
  for (const std::string& line : lines) {
    if (line == kSeparator) {
      blocks.emplace_back();
    } else if (const std::size_t colon = line.find(": "); colon != std::string::npos) {
      blocks.back()[line.substr(0, colon)] = line.substr(colon + 2);
    }
  }
  blocks.pop_back();
  return blocks;
}

TEST(BrowserExtensionsOnWine, EachPlantedExtensionOnceAndEachBadFileNamed) {
  const std::string local = GetSpecialFolder(kFolderLocalAppData);
  const std::string roaming = GetSpecialFolder(kFolderRoamingAppData);
  ASSERT_FALSE(local.empty() || roaming.empty());
  const std::string chrome = "Google\\Chrome\\User Data\\",
                    brave = "BraveSoftware\\Brave-Browser\\User Data\\";
  const std::string alpha(32, 'a'), evil(32, 'b'), bravest(32, 'c'), missing(32, 'd');
  PlacedFiles placed;
  // clang-format off
  placed.WriteBelow(local, chrome + "Default\\Secure Preferences", R"({"extensions": {"settings": {
      ")" + alpha + R"(": {"location": 1, "from_webstore": true, "path": ")" + alpha + R"(\\1.0_0", "state": 1},
      ")" + evil + R"(": {"location": 3, "path": ")" + evil + R"(\\6_0", "state": 0}}}})");
  placed.WriteBelow(local, chrome + "Default\\Extensions\\" + alpha + "\\1.0_0\\manifest.json", R"({"name": "Alpha", "version": "1.0"})");
  placed.WriteBelow(local, chrome + "Default\\Extensions\\" + evil + "\\6_0\\manifest.json", R"({"name": "Evil\r\nID: forged", "version": "6"})");
  placed.WriteBelow(local, chrome + "Profile 1\\Secure Preferences", R"({"extensions": {"settings": {")" + alpha);
  placed.WriteBelow(local, brave + "Default\\Secure Preferences", R"({"extensions": {"settings": {")" + bravest + R"(": {"location": 1, "manifest": {"name": "Bravest"}}}}})");
  placed.WriteBelow(local, brave + "Default\\Preferences", std::string(200, '[') + std::string(200, ']'));
  placed.WriteBelow(roaming, "Mozilla\\Firefox\\Profiles\\wine.default\\extensions.json", R"({"addons": [{"id": "fox@sysinfo.test",
      "type": "extension", "version": "2", "active": true, "location": "app-profile", "sourceURI": "https://addons.mozilla.org/fox.xpi",
      "defaultLocale": {"name": "Fox"}}]})");
  // clang-format on
  TestKey chromePolicy(HKEY_CURRENT_USER, L"Software\\Policies\\Google");
  TestKey bravePolicy(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\BraveSoftware");
  ASSERT_TRUE(chromePolicy.ok() && bravePolicy.ok());
  WriteText(HKEY_CURRENT_USER, L"Software\\Policies\\Google\\Chrome\\ExtensionInstallForcelist",
            L"1", Utf8ToWide(alpha) + L";https://update.test/crx");
  WriteText(HKEY_LOCAL_MACHINE,
            L"SOFTWARE\\Policies\\BraveSoftware\\Brave\\ExtensionInstallForcelist", L"1",
            Utf8ToWide(missing));

  WindowsRegistry keys;
  WindowsUserProfiles profiles;
  CapturedReport report;
  report.writer().BeginCategory("Browser Extensions", 20, {}, {});
  CollectBrowserExtensions(report.writer(), keys, profiles, DetailLevel::Basic);
  EXPECT_EQ(report.writer().EndCategory(0).error, "");
  const std::vector<std::string> lines = report.Lines();
  const std::vector<Block> blocks = Blocks(lines);

  struct Expected {
    std::string browser, profile, id, field, value;
  };
  const std::vector<Expected> expected = {
      {"Chrome", "Default", alpha, "From", "policy"},
      {"Chrome", "Default", evil, "Name", "Evil<U+000D><U+000A>ID: forged"},
      {"Chrome", "Profile 1", "", "Not Read",
       "line 1, column 30: not JSON: a string without its closing quote"},
      {"Brave", "Default", bravest, "Name", "Bravest"},
      {"Brave", "Default", "", "Not Read", "line 1, column 33: nested more than 32 levels deep"},
      {"Brave", "All profiles", missing, "From", "policy (not installed)"},
      {"Firefox", "wine.default", "fox@sysinfo.test", "From", "store"},
  };
  for (const Expected& one : expected) {
    const auto found = std::count_if(blocks.begin(), blocks.end(), [&](const Block& block) {
      const auto at = [&](const std::string& label) {
        const auto value = block.find(label);
        return value == block.end() ? std::string() : value->second;
      };
      return at("Browser") == one.browser && at("Profile") == one.profile && at("ID") == one.id &&
             at(one.field) == one.value;
    });
    EXPECT_EQ(found, 1) << one.browser << " | " << one.profile << " | " << one.id;
  }
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "ID: forged"), 0);
}

}  // namespace
}  // namespace sysinfo
