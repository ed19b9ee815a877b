// The Windows Updates category: the installed fixes, the Windows Update history and the build's
// revision.
#include "collectors/windows_updates.h"

#include <array>
#include <cstdio>

#include "base/text.h"
#include "collectors/category.h"
#include "collectors/registry_item.h"
#include "collectors/sorted_table.h"
#include "collectors/sources.h"
#include "report/report.h"
#include "support/registry.h"

namespace sysinfo {
namespace {

constexpr std::string_view kCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

constexpr std::array<TableLine, 2> kBuildLines{{
    {"Build: ", "Build", {1, 1, 1}},
    {"Display Version: ", "DisplayVersion", {1, 1, 1}},
}};
constexpr SortedSection kBuild{{}, {}, kBuildLines};

constexpr std::array<TableLine, 5> kFixLines{{
    {"HotFix ID: ", "HotFixID", {1, 1, 1}},
    {"Description: ", "Description", {1, 1, 1}},
    {"Installed On: ", "InstalledOn", {1, 1, 1}},
    {"Installed By: ", "InstalledBy", {0, 1, 1}},
    {"Caption: ", "Caption", {0, 0, 1}},
}};
constexpr SortedSection kFixes{"SELECT * FROM Win32_QuickFixEngineering", "HotFixID", kFixLines};

// Kept in the history's own order, newest first.
constexpr std::array<TableLine, 6> kHistoryLines{{
    {"Title: ", "Title", {1, 1, 1}},
    {"KB Number: ", "KB", {1, 1, 1}},
    {"Result: ", "Result", {1, 1, 1}},
    {"Date: ", "Date", {1, 1, 1}},
    {"Operation: ", "Operation", {0, 1, 1}},
    {"HResult: ", "HResult", {0, 0, 1}},
}};
constexpr SortedSection kHistory{{}, {}, kHistoryLines};

// The three sources, each of which may fail alone, and the field that only its items hold.
constexpr std::string_view kBuildSource = "Build";
constexpr std::string_view kFixesSource = "Installed fixes";
constexpr std::string_view kHistorySource = "Windows Update history";
constexpr std::array<SourceMark, 3> kSources{
    {{"Build", kBuildSource}, {"HotFixID", kFixesSource}, {"Result", kHistorySource}}};

constexpr std::array<std::string_view, 6> kResults{
    "Not started", "In progress", "Succeeded", "Succeeded with errors", "Failed", "Aborted"};

std::string OperationWords(std::int32_t operation) {
  if (operation == 1) return "Installation";
  if (operation == 2) return "Uninstallation";
  return "Unknown (" + std::to_string(operation) + ")";
}

std::string HexCode(std::int32_t code) {
  std::array<char, 12> text{};
  std::snprintf(text.data(), text.size(), "0x%08X", static_cast<unsigned>(code));
  return text.data();
}

// "19045.4170": the build and the revision Windows Update brought it to.
void PrintBuild(ReportWriter& report, RegistryRoutines& keys, FirstFailure& failure,
                DetailLevel level) {
  const auto text = [&](std::string_view name) {
    return RegistryValueText(failure.Take(keys.GetRegistryValue(
        RegistryRoot::LocalMachine, kCurrentVersion, name, {}, RegistryRule::Text64Bit)));
  };
  std::string build = text("CurrentBuild");
  const std::string revision = text("UBR");
  if (!build.empty() && !revision.empty()) build += "." + revision;
  std::string version = text("DisplayVersion");
  if (version.empty()) version = text("ReleaseId");  // before 20H2
  SortedTable table(kBuild);
  table.AddNew();
  table.SetValue("Build", TextOrNull(build));
  table.SetValue("DisplayVersion", TextOrNull(version));
  table.Update();
  PrintSortedTable(report, table, kBuild, level);
}

void PrintHistory(ReportWriter& report, UpdateHistory& history, DetailLevel level) {
  report.BeginSource(kHistorySource);
  Result<std::vector<UpdateHistoryEntry>> read = history.Entries(kMaxHistoryEntries);
  report.SourceEnded(read.error);
  SortedTable table(kHistory);
  for (const UpdateHistoryEntry& entry : read.value) {
    table.AddNew();
    table.Set("Title", entry.title);
    table.SetValue("KB", TextOrNull(KbNumber(entry.title)));
    table.Set("Result", ResultWords(entry.resultCode));
    table.SetValue("Date", NullIfEmpty(entry.date));
    table.Set("Operation", OperationWords(entry.operation));
    table.Set("HResult", HexCode(entry.hresult));
    table.Update();
  }
  PrintSortedTable(report, table, kHistory, level);
}

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 3> kKey{"HotFixID", "Title", "Date"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 1> kIdentifying{{{"InstalledBy", IdentityKind::Account}}};
// clang-format on

}  // namespace

std::string KbNumber(std::string_view title) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const auto letterOrDigit = [&digit](char c) {
    return digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  };
  for (std::size_t at = 0; at + 2 < title.size(); ++at) {
    // A word of its own: "KB" inside "ZKB123" or "KBX" names no article.
    if (!EqualsIgnoreCase(title.substr(at, 2), "KB") || (at > 0 && letterOrDigit(title[at - 1])))
      continue;
    std::size_t end = at + 2;
    while (end < title.size() && digit(title[end])) ++end;
    if (end > at + 2) return "KB" + std::string(title.substr(at + 2, end - at - 2));
  }
  return {};
}

std::string ResultWords(std::int32_t resultCode) {
  if (resultCode >= 0 && static_cast<std::size_t>(resultCode) < kResults.size())
    return std::string(kResults[static_cast<std::size_t>(resultCode)]);
  return "Unknown (" + std::to_string(resultCode) + ")";
}

void CollectWindowsUpdates(ReportWriter& report, const WindowsUpdatesSources& sources,
                           DetailLevel level) {
  if (!IsDetailLevel(level)) return;
  FirstFailure failure;
  report.BeginSource(kBuildSource);
  PrintBuild(report, sources.keys, failure, level);
  report.SourceEnded(failure.First());
  report.BeginSource(kFixesSource);
  PrintSortedWmiSection(report, sources.wmi, kFixes, level);
  PrintHistory(report, sources.history, level);
}

extern const CategoryDefinition kWindowsUpdatesCategory{
    .text = "Windows Updates",
    .startLine = StartLine::WithDetail,
    .collect =
        [](ReportWriter& report, const Sources& sources, DetailLevel level) {
          UpdateHistory* history = sources.Need<UpdateHistory>(report);
          WmiService* wmi = sources.Need<WmiService>(report);
          RegistryRoutines* keys = sources.Need<RegistryRoutines>(report);
          if (wmi && keys && history) CollectWindowsUpdates(report, {*wmi, *keys, *history}, level);
        },
    .fields = {kKey, kChanging, kIdentifying, {}, nullptr, kSources},
    .files = FileView::Native};

}  // namespace sysinfo
