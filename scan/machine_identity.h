// What a redacted report knows of the machine before its scan: names, accounts, owner, and every
// value a category declares identifying.
#pragma once

#include <string>
#include <vector>

#include "report/redaction.h"
#include "base/result.h"

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
};

// Teaches the redactor the machine's and the user's names, every profile's account name (and
// its folder's short name) and security identifier, the registered owner and organisation, and
// every value a category declares identifying: what it learns from the registry, then its fields
// in each object of its WMI query. So a value is replaced even in a category scanned before the
// one that shows it.
void LearnMachineIdentity(Redactor& redactor, const MachineNames& names, WmiService& wmi,
                          RegistryRoutines& keys);

// How the user wants a redacted report made: words only they know to hide, and the map that
// keeps each value's marker from one report to the next.
struct RedactionChoices {
  std::vector<std::string> words;  // each becomes "<word-N>"
  std::string mapPath;  // empty: the user's own map under the local application data
};

// A redactor for a report of this machine: the markers of the map, the user's words, then this
// machine learnt. The reason, naming the map, when the map cannot be used.
Result<Redactor> RedactorForThisMachine(const RedactionChoices& choices);

// Keeps the redactor's markers in the map for the next report; the reason when it cannot.
Status KeepRedactionMap(const Redactor& redactor, const RedactionChoices& choices);

// This machine's NetBIOS name, as the JSON report's header gives it; empty when unknown.
std::string ThisComputerName();

}  // namespace sysinfo
