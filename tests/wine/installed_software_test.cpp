// User Software and Windows Updates on Wine's real registry, Windows Installer, WMI and update
// agent, with planted programs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/unicode_win.h"
#include "collectors/user_profiles_win.h"
#include "collectors/user_software_win.h"
#include "collectors/windows_updates_win.h"
#include "collectors/wmi_win.h"
#include "support/registry_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/test_keys.h"

namespace sysinfo {
namespace {

using testing::TestKey;

const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Each program planted in the scan's own hive and in another loaded hive is listed once under
// its user; a CR LF in a name forges no line; a user's nameless entry is left out.
TEST(UserSoftwareOnWine, EachUsersPlantedProgramOnceWithItsUser) {
  const std::string id = std::to_string(GetCurrentProcessId());
  const std::string other = "S-1-5-21-7-7-7-" + id;  // a hive Wine lets a test make
  const std::string shared = "Sysinfo Shared " + id, forged = "Sysinfo Forged " + id;
  TestKey hive(HKEY_USERS, Utf8ToWide(other));
  ASSERT_TRUE(hive.ok());
  TestKey mine(HKEY_CURRENT_USER, kUninstall + L"SysinfoShared" + Utf8ToWide(id));
  mine.SetText(L"DisplayName", Utf8ToWide(shared));
  TestKey theirs(HKEY_USERS, Utf8ToWide(other) + L"\\" + kUninstall + L"SysinfoShared");
  theirs.SetText(L"DisplayName", Utf8ToWide(shared));
  TestKey line(HKEY_USERS, Utf8ToWide(other) + L"\\" + kUninstall + L"SysinfoForged");
  line.SetText(L"DisplayName", Utf8ToWide(forged + "\r\nUser: PC\\admin"));
  TestKey nameless(HKEY_CURRENT_USER, kUninstall + L"SysinfoNameless" + Utf8ToWide(id));
  nameless.SetText(L"Publisher", L"Sysinfo Nameless");

  WindowsRegistry keys;
  WindowsUserProfiles profiles;
  WindowsInstallerProducts installer;
  const std::vector<MachineUser> users = ListMachineUsers(keys, profiles).value;
  ASSERT_FALSE(users.empty());
  testing::CapturedReport report;
  CollectUserSoftware(report.writer(), {keys, profiles, installer}, DetailLevel::Basic);
  const CategoryOutcome outcome = report.writer().EndCategory(0);
  const std::vector<std::string> lines = report.Lines();
  std::vector<std::string> owners;  // the User line before each planted program's name
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i] == "Display Name: " + shared) owners.push_back(lines[i - 1]);
  }
  std::sort(owners.begin(), owners.end());
  std::vector<std::string> expected{"User: " + users.front().name, "User: " + other};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(owners, expected);
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "Display Name: " + forged + "<U+000D><U+000A>User: PC\\admin"),
            1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Publisher: Sysinfo Nameless"), 0);
  EXPECT_EQ(outcome.status, CategoryStatus::Ok) << outcome.error;
}

// The build first, each fix Wine's WMI gives once, and the history Wine's agent cannot give named
// as the source that failed.
TEST(WindowsUpdatesOnWine, ListsTheFixesAndSaysTheHistoryFailed) {
  const ComApartment com;
  const std::unique_ptr<WmiService> wmi = MakeWmiService();
  std::vector<std::string> fixes;
  const auto query = wmi->ExecQuery("SELECT HotFixID FROM Win32_QuickFixEngineering");
  while (const WmiObject* fix = query->Next()) fixes.push_back(*ValueText(fix->Get("HotFixID")));
  ASSERT_FALSE(fixes.empty());

  WindowsRegistry keys;
  WindowsUpdateHistory history;
  testing::CapturedReport report;
  CollectWindowsUpdates(report.writer(), {*wmi, keys, history}, DetailLevel::Advanced);
  const CategoryOutcome outcome = report.writer().EndCategory(0);
  const std::vector<std::string> lines = report.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.front().starts_with("Build: ")) << lines.front();
  for (const std::string& fix : fixes)
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "HotFix ID: " + fix), 1) << fix;
  EXPECT_EQ(outcome.status, CategoryStatus::Failed);
  EXPECT_TRUE(outcome.error.starts_with("Windows Update history: ")) << outcome.error;
}

}  // namespace
}  // namespace sysinfo
