// User Software over a fake registry, users and Windows Installer: every user's entries once,
// with whose they are, sorted by user then name (the expected lines are in
// data/user_software.txt).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collectors/user_software.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_user_profiles.h"
#include "tests/fakes/fake_user_software.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::Text;

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kWow = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kProfiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
const std::string kMe = "S-1-5-21-1-2-3-1001", kBob = "S-1-5-21-1-2-3-1002",
                  kCarol = "S-1-5-21-1-2-3-1003";
const auto kExpected = testing::ReadLevelBlocks("user_software.txt");

struct Machine {
  testing::FakeRegistry keys;
  testing::FakeUserProfiles profiles;
  testing::FakeInstaller installer;

  std::vector<std::string> Collect(DetailLevel level, CategoryOutcome* outcome = nullptr) {
    CapturedReport report;
    CollectUserSoftware(report.writer(), {keys, profiles, installer}, level);
    if (outcome) *outcome = report.writer().EndCategory(0);
    return report.Lines();
  }
  void Program(RegistryRoot root, const std::string& key, const std::string& name) {
    keys.Set(root, key, "DisplayName", Text(name));
  }
};

// Me (HKEY_CURRENT_USER), Bob (a loaded hive whose 32-bit key may not be read) and Carol (a
// profile whose hive is not loaded); Windows Installer adds products of Me, Carol and an account
// without a profile, one of Me's already an Uninstall entry.
TEST(UserSoftware, EveryUsersProgramsOnceWithTheirUser) {
  Machine machine;
  machine.profiles.currentSid = kMe;
  machine.profiles.accounts = {{kMe, "PC\\me"}, {kBob, "PC\\bob"}, {"S-1-5-21-9", "PC\\gone"}};
  for (const auto& [sid, folder] : {std::pair{kMe, "me"}, {kBob, "bob"}, {kCarol, "carol"}}) {
    machine.keys.Set(RegistryRoot::LocalMachine, kProfiles + sid, "ProfileImagePath",
                     Text(std::string("C:\\Users\\") + folder));
  }
  const RegistryRoot cu = RegistryRoot::CurrentUser, users = RegistryRoot::Users;
  machine.Program(cu, kUninstall + "zed", "Zed Tool");
  machine.Program(cu, kWow + "{AAAA-1}", "Alpha Installer");
  machine.keys.Set(cu, kUninstall + "KB1", "Publisher", Text("an update, no name"));
  machine.Program(users, kBob + "\\" + kUninstall + "forged", "Tool\r\nUser: PC\\me");
  machine.keys.AddKey(users, kBob + "_Classes");
  machine.keys.Deny(users, kBob + "\\" + kWow.substr(0, kWow.size() - 1));
  machine.installer.products.value = {
      {kMe, "{aaaa-1}", "Alpha Installer", "1.0", "", "", ""},  // its Uninstall entry's twin
      {kMe, "{BBBB-2}", "Beta", "2.0", "Beta Inc", "C:\\Beta\\", "20240101"},
      {kCarol, "{CCCC-3}", "Managed", "", "", "", ""},
      {"S-1-5-21-9", "{DDDD-4}", "Left Behind", "", "", "", ""},
      {kMe, "{EEEE-5}", "", "", "", "", ""}};  // no name: not a program to list

  CategoryOutcome outcome;
  EXPECT_EQ(machine.Collect(DetailLevel::Basic, &outcome),
            testing::LinesAt(DetailLevel::Basic, kExpected.at("users")));
  EXPECT_EQ(outcome.status, CategoryStatus::Failed);
  EXPECT_EQ(outcome.error, "Access is denied.");

  // The installer failing leaves the registry's programs listed.
  machine.installer.products = {{}, Failure("other users' products: Access is denied.")};
  const std::vector<std::string> lines = machine.Collect(DetailLevel::Basic, &outcome);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Display Name: Zed Tool"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Display Name: Beta"), 0);
}

TEST(UserSoftware, EachLevelPrintsAnInstallerProductsLines) {
  Machine machine;
  machine.profiles.accounts = {{machine.profiles.currentSid, "PC\\me"}};
  machine.installer.products.value = {{machine.profiles.currentSid, "{BBBB-2}", "Beta", "2.0",
                                       "Beta Inc", "C:\\Beta\\", "20240101"}};
  for (DetailLevel level : kDetailLevels) {
    EXPECT_EQ(machine.Collect(level), testing::LinesAt(level, kExpected.at("each level")))
        << LevelCaption(level);
  }
}

}  // namespace
}  // namespace sysinfo
