// The Uninstall entries of one registry key as Software lists them; User Software lists each
// user's the same way.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/result.h"
#include "collectors/sorted_table.h"
#include "support/registry.h"

namespace sysinfo {

// An Uninstall entry's lines, each column read from the registry value of the same name but
// RegistryPath, where the entry is.
inline constexpr std::array<TableLine, 15> kUninstallLines{{
    {"Display Name: ", "DisplayName", {1, 1, 1}},
    {"Contact: ", "Contact", {0, 1, 1}},
    {"Display Icon: ", "DisplayIcon", {0, 0, 1}},
    {"Display Version: ", "DisplayVersion", {1, 1, 1}},
    {"Help Link: ", "HelpLink", {0, 0, 1}},
    {"Install Location: ", "InstallLocation", {1, 1, 1}},
    {"Install Date: ", "InstallDate", {0, 1, 1}},
    {"No Modify: ", "NoModify", {0, 1, 1}},
    {"No Repair: ", "NoRepair", {0, 1, 1}},
    {"Publisher: ", "Publisher", {1, 1, 1}},
    {"Quiet Uninstall String: ", "QuietUninstallString", {0, 1, 1}},
    {"Uninstall String: ", "UninstallString", {0, 1, 1}},
    {"URL Info About: ", "URLInfoAbout", {0, 0, 1}},
    {"URL Update Info: ", "URLUpdateInfo", {0, 0, 1}},
    {"Registry Path: ", "RegistryPath", {1, 1, 1}},
}};

// An Uninstall key of one hive and view.
struct UninstallKey {
  RegistryRoot root = RegistryRoot::LocalMachine;
  std::string path;  // below the root
  std::string name;  // as the report names it: "HKEY_LOCAL_MACHINE\SOFTWARE\...\Uninstall"
  std::string user;  // whose programs they are, for a table with a User column
};

// Adds a row for each entry of the key with a display name (one without is a component or an
// update, not a program the user installed); the names of the entries added.
std::vector<std::string> AddUninstallEntries(SortedTable& table, RegistryRoutines& keys,
                                             const UninstallKey& key, FirstFailure& failure);

}  // namespace sysinfo
