// The machine's identifying values taught to the redactor before a scan.
#include "scan/machine_identity.h"

#include <array>
#include <string_view>

#include "collectors/categories.h"
#include "collectors/wmi.h"
#include "base/text.h"
#include "support/registry.h"

namespace sysinfo {
namespace {

constexpr std::string_view kCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// UUIDs firmware gives when its maker filled in none: many machines share each one.
constexpr std::array<std::string_view, 3> kPlaceholderUuids{"00000000-0000-0000-0000-000000000000",
                                                            "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF",
                                                            "03000200-0400-0500-0006-000700080009"};

std::string ValueOf(RegistryRoutines& keys, std::string_view keyPath, std::string_view name) {
  return RegistryValueText(
      keys.GetRegistryValue(RegistryRoot::LocalMachine, keyPath, name, std::string()).value);
}

// Every identifying field of every object a category's query returns, as its section reads it.
void LearnDeclaredFields(Redactor& redactor, WmiService& wmi) {
  for (const CategoryDefinition* category : kCategoryList) {
    const CategoryFields& fields = category->fields;
    if (fields.query.empty() || fields.identifying.empty()) continue;
    auto result = wmi.ExecQuery(fields.query);
    while (const WmiObject* object = result ? result->Next() : nullptr) {
      for (const IdentifyingField& field : fields.identifying) {
        if (const auto text = ValueText(object->Get(field.field)))
          redactor.Value(field.kind, *text);
      }
    }
  }
}

bool IsPlaceholderUuid(std::string_view uuid) {
  for (std::string_view placeholder : kPlaceholderUuids) {
    if (EqualsIgnoreCase(uuid, placeholder)) return true;
  }
  return false;
}

}  // namespace

std::optional<MachineId> ChooseMachineId(std::string_view smbiosUuid,
                                         std::string_view machineGuid) {
  smbiosUuid = TrimBlanks(smbiosUuid);
  machineGuid = TrimBlanks(machineGuid);
  if (!smbiosUuid.empty() && !IsPlaceholderUuid(smbiosUuid))
    return MachineId{std::string(smbiosUuid), MachineIdSource::Smbios};
  if (!machineGuid.empty())
    return MachineId{std::string(machineGuid), MachineIdSource::MachineGuid};
  return std::nullopt;
}

std::optional<MachineId> ReadMachineId(WmiService& wmi, RegistryRoutines& keys) {
  std::string uuid;
  const auto result = wmi.ExecQuery("SELECT UUID FROM Win32_ComputerSystemProduct");
  if (const WmiObject* product = result ? result->Next() : nullptr) {
    const SourceValue value = product->Get("UUID");
    if (const auto* text = std::get_if<std::string>(&value)) uuid = *text;
  }
  const std::string guid = RegistryValueText(
      keys.GetRegistryValue(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Cryptography",
                            "MachineGuid", std::string(), RegistryRule::Text64Bit)
          .value);
  return ChooseMachineId(uuid, guid);
}

void LearnMachineIdentity(Redactor& redactor, const MachineNames& names, WmiService& wmi,
                          RegistryRoutines& keys) {
  for (const std::string& computer : names.computer)
    redactor.Learn(IdentityKind::Computer, computer);
  for (const std::string& domain : names.domains) redactor.Learn(IdentityKind::Domain, domain);
  redactor.Value(IdentityKind::Account, names.account);
  for (const std::string& sid :
       keys.EnumRegistryKeys(RegistryRoot::LocalMachine, kProfileList).value) {
    // Only accounts' own identifiers: the service accounts' (S-1-5-18 ...) are on every machine.
    if (!sid.starts_with("S-1-5-21-") && !sid.starts_with("S-1-12-1-")) continue;
    redactor.Learn(IdentityKind::Sid, sid);
    const std::string profile = ValueOf(keys, std::string(kProfileList) + "\\" + sid + "\\",
                                        "ProfileImagePath");
    const std::string account = profile.substr(profile.find_last_of("\\/") + 1);
    redactor.Learn(IdentityKind::User, account);
    if (!names.shortPath) continue;
    const std::string shortPath = names.shortPath(profile);
    redactor.LearnAlias(shortPath.substr(shortPath.find_last_of("\\/") + 1), account);
  }
  redactor.Learn(IdentityKind::Owner, ValueOf(keys, kCurrentVersion, "RegisteredOwner"));
  redactor.Learn(IdentityKind::Organization,
                 ValueOf(keys, kCurrentVersion, "RegisteredOrganization"));
  // The registry's values before the WMI objects': markers are numbered in the order learnt.
  for (const CategoryDefinition* category : kCategoryList) {
    if (category->fields.learn) category->fields.learn(redactor, keys);
  }
  LearnDeclaredFields(redactor, wmi);
  redactor.Learn(IdentityKind::Id, names.machineId);
}

JsonReportHeader RedactedHeader(JsonReportHeader header, Redactor& redactor) {
  header.computer = redactor.Text(header.computer);
  if (header.machineId)
    header.machineId->id = redactor.Value(IdentityKind::Id, header.machineId->id);
  header.redacted = true;
  return header;
}

}  // namespace sysinfo
