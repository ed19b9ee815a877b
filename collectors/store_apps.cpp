// The Store Apps category: the packaged apps of every user, from the AppModel repository and each
// package's manifest.
#include <array>
#include <string>

#include "base/format.h"
#include "collectors/category.h"
#include "collectors/sources.h"
#include "collectors/store_packages.h"
#include "report/report.h"

namespace sysinfo {
namespace {

void WriteValue(ReportWriter& report, std::string_view label, std::string_view field,
                const std::string& value) {
  report.WriteField(label, value, field, value);
}

// What the package is for: frameworks and resource packages serve the apps, and are listed only
// at Advanced.
std::string KindOf(const StorePackage& package) {
  if (!package.manifestError.empty()) return "Not known";
  if (package.manifest.framework) return "Framework";
  if (package.manifest.resource) return "Resource";
  return "Application";
}

// "TaskId (Enabled): C:\...\app.exe; ...", each task as its manifest declares it.
std::string StartupTasksText(const StorePackage& package) {
  std::string text;
  for (const StartupTaskDeclaration& task : package.manifest.startupTasks) {
    if (!text.empty()) text += "; ";
    text += task.taskId + (task.enabled ? " (Enabled): " : " (Disabled): ") +
            StartupTaskImage(package, task);
  }
  return text;
}

void WritePackage(ReportWriter& report, const StorePackage& package, DetailLevel level) {
  const PackageManifest& manifest = package.manifest;
  const PackageNameParts parts = SplitPackageFullName(package.fullName);
  const bool read = package.manifestError.empty();
  report.BeginItem();
  WriteValue(report, "User: ", "User", package.userName);
  WriteValue(report, "Package Family Name: ", "PackageFamilyName", parts.family);
  // From the key's name where it has one, so that a manifest that stops reading is still the
  // same package to a comparison.
  WriteValue(report, "Architecture: ", "Architecture",
             parts.architecture.empty() ? manifest.architecture : parts.architecture);
  WriteValue(report, "Display Name: ", "DisplayName",
             read ? manifest.displayName : package.registryDisplayName);
  WriteValue(report, "Publisher Display Name: ", "PublisherDisplayName",
             manifest.publisherDisplayName);
  WriteValue(report, "Version: ", "Version", read ? manifest.version : parts.version);
  if (!read) WriteValue(report, "Manifest Error: ", "ManifestError", package.manifestError);
  if (level >= DetailLevel::Moderate) {
    WriteValue(report, "Name: ", "Name", read ? manifest.name : parts.name);
    WriteValue(report, "Publisher: ", "Publisher", manifest.publisher);
    WriteValue(report, "Package Full Name: ", "PackageFullName", package.fullName);
    WriteValue(report, "Install Folder: ", "InstallFolder", package.installFolder);
    WriteValue(report, "Startup Tasks: ", "StartupTasks", StartupTasksText(package));
    WriteValue(report, "Source: ", "Source", package.source);
  }
  if (level >= DetailLevel::Advanced) WriteValue(report, "Kind: ", "Kind", KindOf(package));
  report.EndItem();
  report.WriteReportLine(SeparatorLine);
}

// A user whose hive is not loaded: only the all-users store says which packages they have.
void WriteUnreadRepository(ReportWriter& report, const MachineUser& user) {
  report.BeginItem();
  WriteValue(report, "User: ", "User", user.name);
  WriteValue(report, "AppModel Repository: ", "AppModelRepository", std::string(kHiveNotLoaded));
  report.EndItem();
  report.WriteReportLine(SeparatorLine);
}

// Matched by user, family and architecture: an upgrade keeps all three and changes the full
// name, so a comparison shows the new version and folder as a change, not a removal and an
// addition. The family, not the manifest's Name and Publisher, because the registry's key names
// it even where the manifest cannot be read; the architecture because one framework is installed
// for x86 and x64 side by side.
constexpr std::array<std::string_view, 3> kKey{"User", "PackageFamilyName", "Architecture"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 1> kIdentifying{{{"User", IdentityKind::Account}}};

}  // namespace

void CollectStoreApps(ReportWriter& report, RegistryRoutines& keys, UserProfileSystem& system,
                      DetailLevel level) {
  if (!IsDetailLevel(level)) return;
  const Result<StorePackages> read = ReadStorePackages(keys, system);
  report.SourceEnded(read.error);
  const std::vector<StorePackage>& packages = read.value.packages;
  auto next = packages.begin();
  const auto writeUpTo = [&](std::optional<std::size_t> user) {
    for (; next != packages.end() && next->user == user; ++next) {
      const bool serving = next->manifest.framework || next->manifest.resource;
      if (level >= DetailLevel::Advanced || !serving) WritePackage(report, *next, level);
    }
  };
  for (std::size_t i = 0; i < read.value.users.size(); ++i) {
    if (!read.value.users[i].hiveLoaded) WriteUnreadRepository(report, read.value.users[i]);
    writeUpTo(i);
  }
  writeUpTo(std::nullopt);
}

extern const CategoryDefinition kStoreAppsCategory{
    .text = "Store Apps",
    .startLine = StartLine::WithDetail,
    .collect =
        [](ReportWriter& report, const Sources& sources, DetailLevel level) {
          UserProfileSystem* system = sources.Need<UserProfileSystem>(report);
          RegistryRoutines* keys = sources.Need<RegistryRoutines>(report);
          if (keys && system) CollectStoreApps(report, *keys, *system, level);
        },
    .fields = {kKey, kChanging, kIdentifying},
    .files = FileView::Native};

}  // namespace sysinfo
