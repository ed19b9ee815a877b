// What a redacted report knows of the machine before its scan: names, accounts, owner.
#pragma once

#include <string>
#include <vector>

namespace sysinfo {

class Redactor;
class RegistryKeys;

// The names the platform gives the machine and the user running the scan.
struct MachineNames {
  std::vector<std::string> computer;  // the NetBIOS and DNS host names
  std::string domain;  // the DNS domain; empty outside one
  std::string user;  // the account running the scan
};

// Teaches the redactor the machine's and the user's names, every profile's account name and
// security identifier, the proxy settings, and the registered owner and organisation, so a value
// is replaced even in a category scanned before the one that declares it.
void LearnMachineIdentity(Redactor& redactor, const MachineNames& names, RegistryKeys& keys);

// The same for the machine this runs on.
void LearnThisMachine(Redactor& redactor);

// This machine's NetBIOS name, as the JSON report's header gives it; empty when unknown.
std::string ThisComputerName();

}  // namespace sysinfo
