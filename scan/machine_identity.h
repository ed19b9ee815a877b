// What a redacted report knows of the machine before its scan: names, accounts, owner, and every
// value a category declares identifying.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "report/json_report.h"
#include "report/redaction.h"

namespace sysinfo {

class RegistryRoutines;
class WmiService;

// The names the platform gives the machine and the user running the scan.
struct MachineNames {
  std::vector<std::string> computer;  // the NetBIOS and DNS host names
  std::vector<std::string> domains;  // the DNS domain, the NetBIOS domain or workgroup
  std::string account;  // the account running the scan: "DOMAIN\login" or "login"
  // A folder's 8.3 short path ("C:\Users\ALICE~1.SMI"); empty when it has none.
  std::string (*shortPath)(const std::string& path) = nullptr;
  std::string machineId = {};  // the JSON report's machine id (ReadMachineId); empty when none
};

// The firmware's UUID unless it is missing or a value firmware leaves in place of its own (all
// zeros, all F, the common default 03000200-0400-0500-0006-000700080009), letter case aside;
// else Windows' MachineGuid; nothing when neither is there: an id is never made up.
std::optional<MachineId> ChooseMachineId(std::string_view smbiosUuid, std::string_view machineGuid);

// The machine's id from Win32_ComputerSystemProduct's UUID and
// HKLM\SOFTWARE\Microsoft\Cryptography\MachineGuid (64-bit view), chosen as above.
std::optional<MachineId> ReadMachineId(WmiService& wmi, RegistryRoutines& keys);

// Teaches the redactor the machine's and the user's names, every profile's account name (and
// its folder's short name) and security identifier, the registered owner and organisation, and
// every value a category declares identifying: what it learns from the registry, then its fields
// in each object of its WMI query; the machine's id last, so it takes no number an earlier
// report's marker had. So a value is replaced even in a category scanned before the one that
// shows it.
void LearnMachineIdentity(Redactor& redactor, const MachineNames& names, WmiService& wmi,
                          RegistryRoutines& keys);

// The header of a redacted JSON report: the computer's name and the machine's id as markers (the
// redactor has learnt both), and saying that it is redacted.
JsonReportHeader RedactedHeader(JsonReportHeader header, Redactor& redactor);

// How the user wants a redacted report made: words only they know to hide, and the map that
// keeps each value's marker from one report to the next.
struct RedactionChoices {
  std::vector<std::string> words;  // each becomes "<word-N>"
  std::string mapPath;  // empty: the user's own map under the local application data
};

// A redactor for a report of this machine: the markers of the map, the user's words, then this
// machine learnt through the scan's own sources, its id among it. The reason, naming the map,
// when the map cannot be used.
Result<Redactor> RedactorForThisMachine(const RedactionChoices& choices,
                                        const std::optional<MachineId>& machineId, WmiService& wmi,
                                        RegistryRoutines& keys);

// Keeps the redactor's markers in the map for the next report; the reason when it cannot.
Status KeepRedactionMap(const Redactor& redactor, const RedactionChoices& choices);

// This machine's NetBIOS name, as the JSON report's header gives it; empty when unknown.
std::string ThisComputerName();

}  // namespace sysinfo
