#pragma once

#include "collectors/wmi.h"

namespace sysinfo {

class RegistryKeys;
class ReportWriter;

// One entry per report category; each writes its block at the detail level (1 to 3).
void CollectOperatingSystem(ReportWriter& report, WmiService& wmi, int level);
void CollectComputerSystem(ReportWriter& report, WmiService& wmi, int level);
// The Internet proxy settings of the current user, the machine and one loaded user hive.
void CollectProxyInfo(ReportWriter& report, RegistryKeys& keys);
// The programs of the machine's Uninstall keys in both registry views, sorted by name.
void CollectSoftware(ReportWriter& report, RegistryKeys& keys, int level);

}  // namespace sysinfo
