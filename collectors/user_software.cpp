// The User Software category: the Uninstall keys of every user's hive and per-user Windows
// Installer products.
#include "collectors/user_software.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "base/text.h"
#include "collectors/category.h"
#include "collectors/software.h"
#include "collectors/sources.h"
#include "collectors/user_profiles.h"
#include "report/report.h"

namespace sysinfo {
namespace {

// Whose program it is, then the lines Software prints.
constexpr auto kLines = [] {
  std::array<TableLine, kUninstallLines.size() + 1> lines{};
  lines[0] = {"User: ", "User", {1, 1, 1}};
  std::copy(kUninstallLines.begin(), kUninstallLines.end(), lines.begin() + 1);
  return lines;
}();

// Printed by user; the rows come sorted by name.
constexpr SortedSection kSection{{}, "User", kLines};

// The same keys in a user's hive; installers for one user write either.
constexpr std::array<std::string_view, 2> kViews{
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};

// An Uninstall entry read, by its user and key name, letter case folded: what a product's code
// is looked up by.
std::string EntryOf(std::string_view sid, std::string_view name) {
  return FoldCase(sid) + '\\' + FoldCase(name);
}

// The user's name as the other rows have it; an account without a profile by what the machine
// calls it.
std::string UserNamed(const std::vector<MachineUser>& users, UserProfileSystem& profiles,
                      const std::string& sid) {
  for (const MachineUser& user : users) {
    if (EqualsFoldingCase(user.sid, sid)) return user.name;
  }
  std::string name = profiles.AccountName(sid);
  return name.empty() ? sid : name;
}

void AddProduct(SortedTable& table, const InstallerProduct& product, std::string user) {
  table.AddNew();
  table.Set("User", std::move(user));
  table.Set("DisplayName", product.name);
  table.SetValue("DisplayVersion", TextOrNull(product.version));
  table.SetValue("Publisher", TextOrNull(product.publisher));
  table.SetValue("InstallLocation", TextOrNull(product.installLocation));
  table.SetValue("InstallDate", TextOrNull(product.installDate));
  table.Update();
}

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 3> kKey{"User", "DisplayName", "Publisher"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 1> kIdentifying{{{"User", IdentityKind::Account}}};
// clang-format on

}  // namespace

void CollectUserSoftware(ReportWriter& report, const UserSoftwareSources& sources,
                         DetailLevel level) {
  if (!IsDetailLevel(level)) return;
  FirstFailure failure;
  const std::vector<MachineUser> users =
      failure.Take(ListMachineUsers(sources.keys, sources.profiles));
  SortedTable table(kSection);
  std::unordered_set<std::string> listed;
  for (const MachineUser& user : users) {
    if (!user.hiveLoaded) {
      table.AddNew();
      table.Set("User", user.name);
      table.Set("DisplayName", std::string(kHiveNotLoaded));
      table.Update();
      continue;
    }
    for (std::string_view view : kViews) {
      const UninstallKey key{user.root, user.Key(view), user.KeyName(view), user.name};
      for (const std::string& name : AddUninstallEntries(table, sources.keys, key, failure))
        listed.insert(EntryOf(user.sid, name));
    }
  }
  Result<std::vector<InstallerProduct>> products = sources.installer.UserProducts();
  if (products.error) products.error->message = "Windows Installer: " + products.error->message;
  for (const InstallerProduct& product : failure.Take(std::move(products))) {
    // Its Uninstall entry, named by its product code, has already listed it, with more.
    if (product.name.empty() || listed.count(EntryOf(product.userSid, product.productCode)))
      continue;
    AddProduct(table, product, UserNamed(users, sources.profiles, product.userSid));
  }
  report.SourceEnded(failure.First());
  table.Sort("DisplayName");
  PrintSortedTable(report, table, kSection, level);
}

extern const CategoryDefinition kUserSoftwareCategory{
    .text = "User Software",
    .startLine = StartLine::WithDetail,
    .collect =
        [](ReportWriter& report, const Sources& sources, DetailLevel level) {
          InstallerProducts* installer = sources.Need<InstallerProducts>(report);
          RegistryRoutines* keys = sources.Need<RegistryRoutines>(report);
          UserProfileSystem* profiles = sources.Need<UserProfileSystem>(report);
          if (keys && profiles && installer)
            CollectUserSoftware(report, {*keys, *profiles, *installer}, level);
        },
    .fields = {kKey, kChanging, kIdentifying},
    .files = FileView::Native};

}  // namespace sysinfo
