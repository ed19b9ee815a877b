// Listing the machine's users: the loaded hives, the profiles, and where each keeps its files.
#include "collectors/user_profiles.h"

#include <algorithm>
#include <utility>

#include "base/text.h"

namespace sysinfo {
namespace {

constexpr std::string_view kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kSystemSid = "S-1-5-18";

// The last name of a folder path: "alice" of "C:\Users\alice".
std::string FolderName(std::string_view folder) {
  while (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
  const std::size_t slash = folder.find_last_of('\\');
  return std::string(slash == std::string_view::npos ? folder : folder.substr(slash + 1));
}

// %USERPROFILE% in a folder the user's hive names, taken as that user's profile; the rest of the
// text expanded in the scan's environment.
std::string ExpandForUser(RegistryRoutines& keys, std::string_view text,
                          const std::string& profile) {
  constexpr std::string_view kProfileVariable = "%USERPROFILE%";
  std::string folder(text);
  if (StartsWithFoldingCase(folder, kProfileVariable)) {
    // Without a profile of its own (a service's hive) the folder is nowhere: the scan's own
    // profile would lend it the current user's files.
    if (profile.empty()) return {};
    folder = profile + folder.substr(kProfileVariable.size());
  }
  return keys.ExpandEnvironment(folder);
}

class UserLister {
 public:
  UserLister(RegistryRoutines& keys, UserProfileSystem& system) : keys_(keys), system_(system) {}

  Result<std::vector<MachineUser>> List() {
    const std::string self = system_.CurrentUserSid();
    const std::vector<std::string> loaded =
        failure_.Take(keys_.EnumRegistryKeys(RegistryRoot::Users, "", RegistryView::Only64Bit));
    const auto isLoaded = [&loaded](std::string_view name) {
      return std::any_of(loaded.begin(), loaded.end(),
                         [name](const std::string& key) { return EqualsFoldingCase(key, name); });
    };

    MachineUser current = Loaded(self, RegistryRoot::CurrentUser, "");
    current.current = true;
    current.classes = "Software\\Classes";
    users_.push_back(std::move(current));
    for (const std::string& sid : loaded) {
      if (EndsWithIgnoreCase(sid, "_Classes") || EqualsFoldingCase(sid, self)) continue;
      // HKEY_USERS\.DEFAULT is the system account's hive under another name.
      if (EqualsFoldingCase(sid, ".DEFAULT") && isLoaded(kSystemSid)) continue;
      MachineUser user = Loaded(sid, RegistryRoot::Users, sid);
      user.classes = isLoaded(sid + "_Classes") ? sid + "_Classes" : sid + "\\Software\\Classes";
      users_.push_back(std::move(user));
    }
    for (const std::string& sid : failure_.Take(keys_.EnumRegistryKeys(
             RegistryRoot::LocalMachine, std::string(kProfileList), RegistryView::Only64Bit))) {
      if (!IsPersonSid(sid) || Known(sid)) continue;
      MachineUser user;
      user.sid = sid;
      user.hive = sid;  // where it is when the user signs in
      user.classes = sid + "_Classes";
      user.profile = ProfileFolder(sid);
      if (user.profile.empty()) continue;
      user.name = NameOf(sid, user.profile);
      user.localAppData = user.profile + "\\AppData\\Local";
      user.roamingAppData = user.profile + "\\AppData\\Roaming";
      users_.push_back(std::move(user));
    }
    return {std::move(users_), failure_.First()};
  }

 private:
  MachineUser Loaded(const std::string& sid, RegistryRoot root, std::string hive) {
    MachineUser user;
    user.sid = sid;
    user.root = root;
    user.hive = std::move(hive);
    user.hiveLoaded = true;
    user.profile = ProfileFolder(sid);
    user.name = NameOf(sid, user.profile);
    user.localAppData = ShellFolder(user, "Local AppData", "\\AppData\\Local");
    user.roamingAppData = ShellFolder(user, "AppData", "\\AppData\\Roaming");
    return user;
  }

  bool Known(std::string_view sid) const {
    return std::any_of(users_.begin(), users_.end(),
                       [sid](const MachineUser& user) { return EqualsFoldingCase(user.sid, sid); });
  }

  std::string ProfileFolder(const std::string& sid) {
    if (sid.empty()) return {};
    const RegistryValue value = failure_.Take(
        keys_.GetRegistryValue(RegistryRoot::LocalMachine, std::string(kProfileList) + "\\" + sid,
                               "ProfileImagePath", std::string(), RegistryRule::Text64Bit));
    const std::string text = RegistryValueText(value);
    return text.empty() ? text : keys_.ExpandEnvironment(text);
  }

  std::string NameOf(const std::string& sid, const std::string& profile) {
    std::string name = system_.AccountName(sid);
    if (name.empty()) name = FolderName(profile);
    return name.empty() ? sid : name;
  }

  // Where the user's hive says a folder is, else its usual place below the profile.
  std::string ShellFolder(const MachineUser& user, std::string_view value,
                          std::string_view belowProfile) {
    const RegistryValue named = failure_.Take(keys_.GetRegistryValue(
        user.root, user.Key(kUserShellFolders), value, std::string(), RegistryRule::Text64Bit));
    const std::string text = RegistryValueText(named);
    if (!text.empty()) return ExpandForUser(keys_, text, user.profile);
    return user.profile.empty() ? std::string() : user.profile + std::string(belowProfile);
  }

  RegistryRoutines& keys_;
  UserProfileSystem& system_;
  FirstFailure failure_;
  std::vector<MachineUser> users_;
};

std::string_view RootName(RegistryRoot root) {
  return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_USERS";
}

}  // namespace

std::string MachineUser::Key(std::string_view path) const {
  return hive.empty() ? std::string(path) : hive + "\\" + std::string(path);
}

std::string MachineUser::ClassesKey(std::string_view path) const {
  return classes + "\\" + std::string(path);
}

std::string MachineUser::KeyName(std::string_view path) const {
  return std::string(RootName(root)) + "\\" + Key(path);
}

Result<std::vector<MachineUser>> ListMachineUsers(RegistryRoutines& keys,
                                                  UserProfileSystem& system) {
  return UserLister(keys, system).List();
}

}  // namespace sysinfo
