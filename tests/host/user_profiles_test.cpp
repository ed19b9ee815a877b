// The machine's users: which hives and profiles are listed, once each, and where their folders are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collectors/user_profiles.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_user_profiles.h"

namespace sysinfo {
namespace {

using testing::FakeRegistry;
using testing::FakeUserProfiles;
using testing::Text;

constexpr std::string_view kProfiles =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const std::string kSelf = "S-1-5-21-1-2-3-1001";
const std::string kBob = "S-1-5-21-1-2-3-1002";
const std::string kCarol = "S-1-5-21-1-2-3-1003";
const std::string kNoProfile = "S-1-5-21-1-2-3-1009";

void AddProfile(FakeRegistry& keys, const std::string& sid, const std::string& folder) {
  keys.Set(RegistryRoot::LocalMachine, std::string(kProfiles) + "\\" + sid, "ProfileImagePath",
           Text(folder, kRegExpandSz));
}

// What a test reads of one user: SID, name, hive, classes hive, loaded, local and roaming folder.
std::string Described(const MachineUser& user) {
  return user.sid + " | " + user.name + " | " + user.KeyName("Software") + " | " +
         user.ClassesKey("X") + " | " + (user.hiveLoaded ? "loaded" : "not loaded") + " | " +
         user.localAppData + " | " + user.roamingAppData;
}

TEST(MachineUsers, EachUserOnceWithItsHivesAndFolders) {
  FakeRegistry keys;
  FakeUserProfiles profiles;
  profiles.currentSid = kSelf;
  profiles.accounts = {{kSelf, "PC\\alice"}, {kBob, "PC\\bob"}};
  AddProfile(keys, kSelf, "C:\\Users\\alice");
  AddProfile(keys, kBob, "C:\\Users\\bob");
  AddProfile(keys, kCarol, "%SystemRoot%\\..\\Users\\carol");
  AddProfile(keys, "S-1-5-18", "%SystemRoot%\\system32\\config\\systemprofile");
  AddProfile(keys, "S-1-5-19", "C:\\Windows\\ServiceProfiles\\LocalService");
  // HKEY_USERS as Windows loads it: .DEFAULT beside S-1-5-18, the signed-in users with their
  // classes hives, the current user under its SID as well as HKEY_CURRENT_USER.
  for (const std::string& hive : {std::string(".DEFAULT"), std::string("S-1-5-18"), kSelf,
                                  kSelf + "_Classes", kBob, kBob + "_Classes", kNoProfile})
    keys.AddKey(RegistryRoot::Users, hive);
  // A hive with no profile of its own has no folders, not the scan's own user's.
  keys.Set(RegistryRoot::Users, kNoProfile + "\\" + std::string(kShellFolders), "Local AppData",
           Text("%USERPROFILE%\\AppData\\Local", kRegExpandSz));
  // Bob moved his local folder with a path in his own profile; the current user her roaming one.
  keys.Set(RegistryRoot::Users, kBob + "\\" + std::string(kShellFolders), "Local AppData",
           Text("%USERPROFILE%\\Local", kRegExpandSz));
  keys.Set(RegistryRoot::CurrentUser, std::string(kShellFolders), "AppData",
           Text("D:\\Roaming\\alice", kRegExpandSz));

  const Result<std::vector<MachineUser>> users = ListMachineUsers(keys, profiles);
  EXPECT_FALSE(users.Failed());
  std::vector<std::string> described;
  for (const MachineUser& user : users.value) described.push_back(Described(user));
  const std::vector<std::string> expected = {
      kSelf + " | PC\\alice | HKEY_CURRENT_USER\\Software | Software\\Classes\\X | loaded | "
              "C:\\Users\\alice\\AppData\\Local | D:\\Roaming\\alice",
      "S-1-5-18 | systemprofile | HKEY_USERS\\S-1-5-18\\Software | S-1-5-18\\Software\\Classes\\X"
      " | loaded | C:\\Windows-With-A-Long-Name\\system32\\config\\systemprofile\\AppData\\Local | "
      "C:\\Windows-With-A-Long-Name\\system32\\config\\systemprofile\\AppData\\Roaming",
      kBob + " | PC\\bob | HKEY_USERS\\" + kBob + "\\Software | " + kBob +
          "_Classes\\X | loaded | " + "C:\\Users\\bob\\Local | C:\\Users\\bob\\AppData\\Roaming",
      kNoProfile + " | " + kNoProfile + " | HKEY_USERS\\" + kNoProfile + "\\Software | " +
          kNoProfile + "\\Software\\Classes\\X | loaded |  | ",
      // Not signed in: her files are there, her registry is not; the service account is left out.
      kCarol + " | carol | HKEY_USERS\\" + kCarol + "\\Software | " + kCarol +
          "_Classes\\X | not loaded | " +
          "C:\\Windows-With-A-Long-Name\\..\\Users\\carol\\AppData\\Local | "
          "C:\\Windows-With-A-Long-Name\\..\\Users\\carol\\AppData\\Roaming",
  };
  EXPECT_EQ(described, expected);
  ASSERT_FALSE(users.value.empty());
  EXPECT_TRUE(users.value.front().current);
}

TEST(MachineUsers, AFailedReadIsSaidBesideWhatWasRead) {
  FakeRegistry keys;
  FakeUserProfiles profiles;
  AddProfile(keys, kBob, "C:\\Users\\bob");
  keys.Deny(RegistryRoot::Users, "");
  const Result<std::vector<MachineUser>> users = ListMachineUsers(keys, profiles);
  ASSERT_TRUE(users.Failed());
  EXPECT_EQ(users.error->message, "Access is denied.");
  ASSERT_EQ(users.value.size(), 2u);  // the current user, and Bob by his profile
  EXPECT_EQ(users.value[1].name, "bob");
  EXPECT_FALSE(users.value[1].hiveLoaded);
}

}  // namespace
}  // namespace sysinfo
