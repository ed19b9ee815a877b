// The Software section: the Uninstall entries of both registry views, sorted by name.
#include "collectors/software.h"

#include <array>
#include <string>

#include "report/report.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/registry_item.h"

namespace sysinfo {
namespace {

constexpr SortedSection kSection{{}, "DisplayName", kUninstallLines};

// Where the entry is, and whose: every other column is read from the value of the same name.
constexpr std::string_view kRegistryPath = "RegistryPath";
constexpr std::string_view kUser = "User";

// The machine's 64-bit view, then the 32-bit programs' view under Wow6432Node.
constexpr std::array<std::string_view, 2> kViews{
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 2> kKey{"DisplayName", "Publisher"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::span<const IdentifyingField> kIdentifying{};
// clang-format on

}  // namespace

std::vector<std::string> AddUninstallEntries(SortedTable& table, RegistryRoutines& keys,
                                             const UninstallKey& key, FirstFailure& failure) {
  const auto value = [&](const std::string& entry, std::string_view valueName) {
    // The entry's name is the registry's own and may hold "/": it is appended as it is.
    return failure.Take(keys.GetRegistryValue(key.root, key.path + "\\" + entry, valueName,
                                              std::string(), RegistryRule::Text64Bit));
  };
  std::vector<std::string> added;
  for (std::string& entry :
       failure.Take(keys.EnumRegistryKeys(key.root, key.path, RegistryView::Only64Bit))) {
    if (RegistryValueText(value(entry, "DisplayName")).empty()) continue;
    table.AddNew();
    // Values keep their kind (NoModify is a number) for the JSON report; the text is the same.
    for (std::size_t i = 0; i < table.ColumnCount(); ++i) {
      const std::string_view name = table.ColumnName(i);
      if (name == kRegistryPath || name == kUser) continue;
      table.SetColumn(i, RecordedRegistryValue(value(entry, name)));
    }
    table.Set(kRegistryPath, key.name + "\\" + entry);
    table.Set(kUser, key.user);
    table.Update();
    added.push_back(std::move(entry));
  }
  return added;
}

void CollectSoftware(ReportWriter& report, RegistryRoutines& keys, DetailLevel level) {
  SortedTable table(kSection);
  FirstFailure failure;
  for (std::string_view view : kViews) {
    const UninstallKey key{RegistryRoot::LocalMachine,
                           std::string(view),
                           "HKEY_LOCAL_MACHINE\\" + std::string(view),
                           {}};
    AddUninstallEntries(table, keys, key, failure);
  }
  report.SourceEnded(failure.First());
  PrintSortedTable(report, table, kSection, level);
}

extern const CategoryDefinition kSoftwareCategory{.text = "Software",
                                                  .startLine = StartLine::WithDetail,
                                                  .collect = Over<CollectSoftware>,
                                                  .fields = {kKey, kChanging, kIdentifying},
                                                  .files = FileView::Native};

}  // namespace sysinfo
