// The Proxy Info section: the Internet Settings proxy values of the user, machine and a hive.
#include <array>
#include <string>
#include <vector>

#include "base/format.h"
#include "report/report.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/registry_item.h"
#include "report/redaction.h"
#include "support/registry.h"

namespace sysinfo {
namespace {

// Where the Internet proxy settings live, below HKCU, HKLM and each user hive.
constexpr std::string_view kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// A key Proxy Info reads: its root, the root's name as the report writes it, the path below.
struct ProxyKey {
  RegistryRoot root;
  std::string_view rootName;
  std::string path;
};

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
void PrintProxyBlock(ReportWriter& report, RegistryRoutines& keys, RegistryRoot root,
                     std::string_view rootName, const std::string& keyBelowRoot,
                     FirstFailure& failure) {
  std::array<RegistryValue, kProxyValues.size()> values;
  for (std::size_t i = 0; i < kProxyValues.size(); ++i) {
    values[i] = failure.Take(
        keys.GetRegistryValue(root, keyBelowRoot, kProxyValues[i].name, std::string()));
  }
  std::string path(rootName);
  path.append("\\").append(keyBelowRoot);
  report.WriteReportLine("[" + path + "]");
  report.BeginGroup(path);
  report.BeginItem();
  for (std::size_t i = 0; i < kProxyValues.size(); ++i) {
    report.WriteField(kProxyValues[i].label, RegistryValueText(values[i]), kProxyValues[i].name,
                      RecordedRegistryValue(values[i]));
  }
  report.EndItem();
  report.EndGroup();
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

// The keys Proxy Info reads, in its order: the Internet Settings of the current user, of the
// machine and of one loaded user hive; the reason when the hives could not be listed.
Result<std::vector<ProxyKey>> ProxyInfoKeys(RegistryRoutines& keys) {
  const std::string settings(kInternetSettings);
  // One loaded user hive: the last long (SID-named) one that is not a _Classes hive. With none,
  // the empty name leaves two backslashes in the header and the values empty.
  auto hives = keys.EnumRegistryKeys(RegistryRoot::Users, "");
  const std::string hive = ChooseUserHive(hives.value);
  return {{{RegistryRoot::CurrentUser, "HKEY_CURRENT_USER", settings},
           {RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE", settings},
           {RegistryRoot::Users, "HKEY_USERS", hive + "\\" + settings}},
          std::move(hives.error)};
}

// A key block by its path.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"path"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 3> kIdentifying{{
    {"ProxyServer", IdentityKind::ProxyList},
    {"ProxyOverride", IdentityKind::ProxyOverrides},
    {"AutoConfigURL", IdentityKind::Proxy},
}};
// clang-format on

// The JSON report's "keys", each a registry key's "path" and its "values".
constexpr ReportShape kShape{.list = "keys",
                             .name = "path",
                             .holds = "values",
                             .content = GroupHolds::OneItem,
                             .groupText = "key block"};

// Every identifying value of every key the section reads, another loaded user's hive included:
// the hosts file, scanned before the proxy settings, may name the same proxies.
void LearnProxies(Redactor& redactor, RegistryRoutines& keys) {
  for (const ProxyKey& key : ProxyInfoKeys(keys).value) {
    for (const IdentifyingField& value : kIdentifying) {
      redactor.Value(
          value.kind,
          RegistryValueText(
              keys.GetRegistryValue(key.root, key.path, value.field, std::string()).value));
    }
  }
}

}  // namespace

void CollectProxyInfo(ReportWriter& report, RegistryRoutines& keys) {
  FirstFailure failure;
  for (const ProxyKey& key : failure.Take(ProxyInfoKeys(keys))) {
    PrintProxyBlock(report, keys, key.root, key.rootName, key.path, failure);
  }
  report.SourceEnded(failure.First());
}

extern const CategoryDefinition kProxyInfoCategory{
    "Proxy Info",
    StartLine::Plain,
    [](ReportWriter& report, const Sources& sources, DetailLevel) {
      if (RegistryRoutines* keys = sources.Need<RegistryRoutines>(report))
        CollectProxyInfo(report, *keys);
    },
    {kKey, kChanging, kIdentifying, {}, LearnProxies},
    kShape,
    FileView::Native};

}  // namespace sysinfo
