// The Proxy Info section: the Internet Settings proxy values of the user, machine and a hive.
#include <array>
#include <string>
#include <vector>

#include "base/format.h"
#include "report/report.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/registry_item.h"
#include "support/registry.h"

namespace sysinfo {
namespace {

struct ProxyValue {
  std::string_view name;
  std::string_view label;
};

constexpr std::array<ProxyValue, 4> kProxyValues{{
    {"ProxyEnable", "ProxyEnable = "},
    {"ProxyServer", "ProxyServer = "},
    {"ProxyOverride", "ProxyOverride = "},
    {"AutoConfigURL", "AutoConfigURL = "},
}};

// One block: the bracketed key, the four values (empty when missing) and the separator.
void PrintProxyBlock(ReportWriter& report, RegistryKeys& keys, RegistryRoot root,
                     std::string_view rootName, const std::string& keyBelowRoot,
                     FirstFailure& failure) {
  RegistryRoutines registry(keys);
  registry.hKey = root;
  registry.KeyRoot = keyBelowRoot + "\\";
  std::array<RegistryValue, kProxyValues.size()> values;
  for (std::size_t i = 0; i < kProxyValues.size(); ++i) {
    values[i] = failure.Take(registry.ReadValue(kProxyValues[i].name, std::string()));
  }
  std::string path(rootName);
  path.append("\\").append(keyBelowRoot);
  report.WriteReportLine("[" + path + "]");
  report.BeginKey(path);
  for (std::size_t i = 0; i < kProxyValues.size(); ++i) {
    report.WriteField(kProxyValues[i].label, RegistryValueText(values[i]), kProxyValues[i].name,
                      RecordedRegistryValue(values[i]));
  }
  report.EndKey();
  report.WriteReportLine(SeparatorLine);
}

// The last name longer than 25 characters that does not end in "_Classes".
std::string ChooseUserHive(const std::vector<std::string>& names) {
  constexpr std::string_view kClassesSuffix = "_Classes";
  std::string chosen;
  for (const std::string& name : names) {
    const bool classesHive = name.size() >= kClassesSuffix.size() &&
                             name.compare(name.size() - kClassesSuffix.size(),
                                          kClassesSuffix.size(), kClassesSuffix) == 0;
    if (name.size() > 25 && !classesHive) chosen = name;
  }
  return chosen;
}

// A key block by its path.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"path"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 3> kIdentifying{{
    {"ProxyServer", Identity::ProxyList},
    {"ProxyOverride", Identity::ProxyOverrides},
    {"AutoConfigURL", Identity::Proxy},
}};
// clang-format on

}  // namespace

Result<std::vector<ProxyKey>> ProxyInfoKeys(RegistryKeys& keys) {
  const std::string settings(kInternetSettings);
  // One loaded user hive: the last long (SID-named) one that is not a _Classes hive. With none,
  // the empty name leaves two backslashes in the header and the values empty.
  auto hives = RegistryRoutines(keys).ListKeys(RegistryRoot::Users, "");
  const std::string hive = ChooseUserHive(hives.value);
  return {{{RegistryRoot::CurrentUser, "HKEY_CURRENT_USER", settings},
           {RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE", settings},
           {RegistryRoot::Users, "HKEY_USERS", hive + "\\" + settings}},
          std::move(hives.error)};
}

void CollectProxyInfo(ReportWriter& report, RegistryKeys& keys) {
  FirstFailure failure;
  for (const ProxyKey& key : failure.Take(ProxyInfoKeys(keys))) {
    PrintProxyBlock(report, keys, key.root, key.rootName, key.path, failure);
  }
  if (!failure.Error().empty()) report.SourceEnded(QueryStatus::Failed, failure.Error());
}

extern const CategoryDefinition kProxyInfoCategory{
    "Proxy Info",
    StartLine::Plain,
    [](ReportWriter& report, Sources& sources, int) { CollectProxyInfo(report, sources.registry); },
    {kKey, kChanging, kIdentifying},
    ReportShape::KeyBlocks,
    FileView::Native};

}  // namespace sysinfo
