// The machine's identifying values taught to the redactor before a scan.
#include "collectors/machine_identity.h"

#include <string_view>

#include "base/redaction.h"
#include "collectors/category_fields.h"
#include "collectors/collectors.h"
#include "support/registry.h"

namespace sysinfo {
namespace {

constexpr std::string_view kCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::string ValueOf(RegistryKeys& keys, std::string_view keyPath, std::string_view name,
                    RegistryRoot root = RegistryRoot::LocalMachine) {
  RegistryRoutines registry(keys);
  registry.hKey = root;
  registry.KeyRoot = std::string(keyPath);
  return RegistryValueText(registry.GetRegistryValue(name, std::string()));
}

}  // namespace

void LearnMachineIdentity(Redactor& redactor, const MachineNames& names, RegistryKeys& keys) {
  for (const std::string& computer : names.computer) redactor.Learn(Identity::Computer, computer);
  redactor.Learn(Identity::Domain, names.domain);
  redactor.Learn(Identity::User, names.user);
  RegistryRoutines registry(keys);
  for (const std::string& sid :
       registry.EnumRegistryKeys(RegistryRoot::LocalMachine, kProfileList)) {
    // Only accounts' own identifiers: the service accounts' (S-1-5-18 ...) are on every machine.
    if (!sid.starts_with("S-1-5-21-") && !sid.starts_with("S-1-12-1-")) continue;
    redactor.Learn(Identity::Sid, sid);
    const std::string profile = ValueOf(keys, std::string(kProfileList) + "\\" + sid + "\\",
                                        "ProfileImagePath");
    redactor.Learn(Identity::User, profile.substr(profile.find_last_of("\\/") + 1));
  }
  // The hosts file, scanned before the proxy settings, may name the same proxies: the values
  // Proxy Info declares identifying, read as it reads them.
  const std::string settings = std::string(kInternetSettings) + "\\";
  for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
    for (const IdentifyingField& value : kProxyInfoFields.identifying)
      redactor.Value(value.kind, ValueOf(keys, settings, value.field, root));
  }
  redactor.Learn(Identity::Owner, ValueOf(keys, kCurrentVersion, "RegisteredOwner"));
  redactor.Learn(Identity::Organization, ValueOf(keys, kCurrentVersion, "RegisteredOrganization"));
}

}  // namespace sysinfo
