// The people of the machine: every account with a profile or a loaded hive, where its hive and
// folders are, and the small files below its profile that the per-user categories read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "support/registry.h"

namespace sysinfo {

// The reason a user's registry is not read: the report names the user with it.
inline constexpr std::string_view kHiveNotLoaded = "Not known (the user's hive is not loaded)";

// Below HKLM: a subkey for each account that has a profile, named by its SID.
inline constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Accounts people sign in with: a local or domain account, an Entra ID account. The service
// accounts' profiles are never signed in to, so their files are not looked for.
inline bool IsPersonSid(std::string_view sid) {
  return sid.starts_with("S-1-5-21-") || sid.starts_with("S-1-12-1-");
}

// A user of the machine, as the per-user categories name and read it.
struct MachineUser {
  std::string sid;
  std::string name;  // "PC\alice" as the account lookup gives it, else the profile folder's name,
                     // else the SID
  std::string profile;  // "C:\Users\alice", expanded; empty when the machine names none
  bool current = false;  // the user the scan runs as
  bool hiveLoaded = false;  // whether its registry can be read; otherwise only its files
  RegistryRoot root = RegistryRoot::Users;  // CurrentUser for the scan's own user
  std::string hive;  // its hive below `root`: empty for HKEY_CURRENT_USER, the SID below HKEY_USERS
  std::string classes;  // its own classes hive below `root`: "Software\Classes", "<SID>_Classes"
  std::string localAppData;  // "...\AppData\Local", where the user's hive moves it if it does
  std::string roamingAppData;  // "...\AppData\Roaming", likewise

  // A key of its hive below `root`: "Software\X" is "<SID>\Software\X" for another user.
  std::string Key(std::string_view path) const;
  // A key of its classes hive below `root`.
  std::string ClassesKey(std::string_view path) const;
  // The key as the report names it: "HKEY_USERS\<SID>\Software\X", "HKEY_CURRENT_USER\...".
  std::string KeyName(std::string_view path) const;
};

// What only the platform can say about users, and the files below their profiles.
class UserProfileSystem {
 public:
  static constexpr std::string_view kSourceName = "user profiles";
  virtual ~UserProfileSystem() = default;
  virtual std::string CurrentUserSid() = 0;
  // "PC\alice" for an account's SID; empty when the machine cannot name it.
  virtual std::string AccountName(const std::string& sid) = 0;
  // A regular file's bytes, at most `maxBytes`; nothing when it is not there; the reason when it
  // cannot be read or is larger.
  virtual Result<std::optional<std::string>> SmallFile(const std::string& path,
                                                       std::size_t maxBytes) = 0;
  // The names of a folder's subfolders (links and junctions left out), at most `maxCount`. A folder
  // that is not there lists nothing.
  virtual Result<std::vector<std::string>> Subfolders(const std::string& folder,
                                                      std::size_t maxCount) = 0;
};

// The scan's own user first, then every other loaded hive (HKEY_USERS\.DEFAULT only where it is
// not S-1-5-18's), then the accounts with a profile whose hive is not loaded, each once; the
// reason of the first read that failed beside what was read.
Result<std::vector<MachineUser>> ListMachineUsers(RegistryRoutines& keys,
                                                  UserProfileSystem& system);

}  // namespace sysinfo
