// The Software section: the Uninstall entries of both registry views, sorted by name.
#include <array>
#include <string>

#include "report/report.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/registry_item.h"
#include "collectors/sorted_table.h"
#include "support/registry.h"

namespace sysinfo {
namespace {

constexpr std::array<TableLine, 15> kLines{{
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

constexpr SortedSection kSection{{}, "DisplayName", kLines};

// Every other column is read from the registry value of the same name.
constexpr std::string_view kRegistryPath = "RegistryPath";

struct UninstallView {
  std::string_view keyPath;
  std::string_view registryPathPrefix;
};

// The machine's 64-bit view, then the 32-bit programs' view under Wow6432Node.
constexpr std::array<UninstallView, 2> kViews{{
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"},
    {"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"},
}};

// Adds one row per entry with a display name; entries without one (components, updates) are
// not programs the user installed.
void AddUninstallEntries(SortedTable& table, RegistryRoutines& keys, const UninstallView& view,
                         FirstFailure& failure) {
  const std::string keyPath(view.keyPath);
  const auto value = [&](const std::string& entry, std::string_view valueName) {
    // The entry's name is the registry's own and may hold "/": it is appended as it is.
    return failure.Take(keys.GetRegistryValue(RegistryRoot::LocalMachine, keyPath + "\\" + entry,
                                              valueName, std::string(), RegistryRule::Text64Bit));
  };
  for (const std::string& entry : failure.Take(
           keys.EnumRegistryKeys(RegistryRoot::LocalMachine, keyPath, RegistryView::Only64Bit))) {
    if (!RegistryValueText(value(entry, "DisplayName")).empty()) {
      table.AddNew();
      // Values keep their kind (NoModify is a number) for the JSON report; the text is the same.
      for (std::size_t i = 0; i < table.ColumnCount(); ++i) {
        const std::string_view name = table.ColumnName(i);
        if (name == kRegistryPath) continue;
        table.SetColumn(i, RecordedRegistryValue(value(entry, name)));
      }
      table.Set(kRegistryPath, std::string(view.registryPathPrefix) + entry);
      table.Update();
    }
  }
}

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 2> kKey{"DisplayName", "Publisher"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::span<const IdentifyingField> kIdentifying{};
// clang-format on

}  // namespace

void CollectSoftware(ReportWriter& report, RegistryRoutines& keys, DetailLevel level) {
  SortedTable table(kSection);
  FirstFailure failure;
  for (const UninstallView& view : kViews) AddUninstallEntries(table, keys, view, failure);
  report.SourceEnded(failure.First());
  PrintSortedTable(report, table, kSection, level);
}

extern const CategoryDefinition kSoftwareCategory{.text = "Software",
                                                  .startLine = StartLine::WithDetail,
                                                  .collect = Over<CollectSoftware>,
                                                  .fields = {kKey, kChanging, kIdentifying},
                                                  .files = FileView::Native};

}  // namespace sysinfo
