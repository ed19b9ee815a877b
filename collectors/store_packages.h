// The packaged (Store) apps of every user: the AppModel repository in each user's classes hive,
// the all-users store, and each package's manifest. Read by Store Apps and, for the startup tasks
// the manifests declare, by Autostart Entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "base/result.h"
#include "collectors/user_profiles.h"
#include "support/registry.h"

namespace sysinfo {

class ReportWriter;

// A manifest Windows wrote is a few kilobytes; anything near this is not one.
inline constexpr std::size_t kMaxManifestSize = 1024 * 1024;

// Who a package is listed for when the all-users store has it and no user does: one that is
// staged or provisioned for new accounts. A name every Windows has, never taken for an account.
inline constexpr std::string_view kAllUsers = "All Users";

// A startup task a manifest declares (the windows.startupTask extension).
struct StartupTaskDeclaration {
  std::string taskId;
  bool enabled = false;  // as the manifest declares it; the user's own choice is in the registry
  std::string executable;  // as the manifest names it, below the install folder
};

// What a package's AppxManifest.xml says of it.
struct PackageManifest {
  std::string name;  // Identity
  std::string publisher;
  std::string version;
  std::string architecture;
  std::string resourceId;
  std::string displayName;  // Properties; a "ms-resource:" reference stays as it is
  std::string publisherDisplayName;
  bool framework = false;
  bool resource = false;
  std::vector<StartupTaskDeclaration> startupTasks;
};

// The manifest is hostile input: read by the bounded XML reader, its root <Package> with an
// <Identity>; a short printable reason otherwise.
Result<PackageManifest> ReadPackageManifest(std::string_view bytes);

// The parts of a package's full name, "Name_Version_Architecture_ResourceId_PublisherId"; a name
// not of five parts is its own family and gives no other part.
struct PackageNameParts {
  std::string family;  // "Name_PublisherId"
  std::string name;
  std::string version;
  std::string architecture;
};
PackageNameParts SplitPackageFullName(std::string_view fullName);

// One package of one user.
struct StorePackage {
  std::optional<std::size_t> user;  // its user in StorePackages::users; none for kAllUsers
  std::string userName;  // as the report names the user
  std::string fullName;  // the registry's key name
  std::string installFolder;
  std::string source;  // "AppModel repository", "all-users store", or both joined by "and"
  std::string registryDisplayName;  // the repository's DisplayName value
  PackageManifest manifest;
  std::string manifestError;  // why the manifest was not read; empty when it was
};

struct StorePackages {
  std::vector<MachineUser> users;
  std::vector<StorePackage> packages;  // in the users' order, each user's by full name
};

// Every user's packages, each once per user: from the user's AppModel repository and the
// all-users store's list of the user's SID, the install folder from the repository or the
// store's Applications; a package only Applications has is listed for kAllUsers. Each manifest
// file is read once, however many users have its package. A registry read that failed is the
// reason beside what was read; a manifest that cannot be read is only its package's reason.
Result<StorePackages> ReadStorePackages(RegistryRoutines& keys, UserProfileSystem& system);

// The file a startup task runs: its executable below the package's install folder.
std::string StartupTaskImage(const StorePackage& package, const StartupTaskDeclaration& task);

// The key of a user's classes hive that keeps a package family's state (its startup tasks' State
// values), as the report names it.
std::string PackageStateKeyName(const MachineUser& user, std::string_view family);
// The same key below the user's registry root, to be read.
std::string PackageStateKey(const MachineUser& user, std::string_view family);

// A startup task's State value as the user's choice: the StartupTaskState numbers, 0 "Disabled",
// 1 "Disabled by the user", 2 "Enabled", 3 "Disabled by policy", 4 "Enabled by policy".
std::string StartupTaskStateText(std::uint32_t state);

// The Store Apps block: each user's packages (a user whose hive is not loaded says so first), then
// those only the all-users store has. Basic: user, family, architecture, display names, version,
// and why a manifest was not read; Moderate adds the identity's name and publisher, the full name,
// install folder, startup tasks and where the package was found; Advanced its kind, and lists the
// frameworks and resource packages.
void CollectStoreApps(ReportWriter& report, RegistryRoutines& keys, UserProfileSystem& system,
                      DetailLevel level);

}  // namespace sysinfo
