// The User Software category: the programs each user installed for themselves.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "base/result.h"

namespace sysinfo {

class RegistryRoutines;
class ReportWriter;
class UserProfileSystem;

// A Windows Installer product installed for one user, as the installer gives it.
struct InstallerProduct {
  std::string userSid;
  std::string productCode;  // "{GUID}", the name of its Uninstall entry when it has one
  std::string name;
  std::string version;
  std::string publisher;
  std::string installLocation;
  std::string installDate;  // "20240131"
};

// The per-user products only Windows Installer can list: those installed for a user, managed or
// not, of every user it may read.
class InstallerProducts {
 public:
  static constexpr std::string_view kSourceName = "Windows Installer";
  virtual ~InstallerProducts() = default;
  // Every product of every user; what was read and why the rest could not be.
  virtual Result<std::vector<InstallerProduct>> UserProducts() = 0;
};

struct UserSoftwareSources {
  RegistryRoutines& keys;
  UserProfileSystem& profiles;
  InstallerProducts& installer;
};

// Every user's Uninstall entries and Windows Installer products, sorted by user then name.
void CollectUserSoftware(ReportWriter& report, const UserSoftwareSources& sources,
                         DetailLevel level);

}  // namespace sysinfo
