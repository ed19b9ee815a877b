// One collector entry per report category, each writing its block at a detail level.
#pragma once

#include "collectors/performance.h"
#include "collectors/wmi.h"

namespace sysinfo {

class RegistryKeys;
class ReportWriter;

// One entry per report category; each writes its block at the detail level (1 to 3).
void CollectOperatingSystem(ReportWriter& report, WmiService& wmi, int level);
void CollectComputerSystem(ReportWriter& report, WmiService& wmi, int level);
void CollectCpu(ReportWriter& report, WmiService& wmi, int level);
void CollectDrives(ReportWriter& report, WmiService& wmi, int level);
void CollectDrivers(ReportWriter& report, WmiService& wmi, int level);
void CollectHardware(ReportWriter& report, WmiService& wmi, int level);
void CollectMemory(ReportWriter& report, WmiService& wmi, const ReadPerformance& readPerformance,
                   int level);
void CollectNetworkProtocols(ReportWriter& report, WmiService& wmi, int level);
void CollectProcesses(ReportWriter& report, WmiService& wmi, int level);
void CollectServices(ReportWriter& report, WmiService& wmi, int level);
void CollectStartupItems(ReportWriter& report, WmiService& wmi, int level);
// The Internet proxy settings of the current user, the machine and one loaded user hive.
void CollectProxyInfo(ReportWriter& report, RegistryKeys& keys);
// The programs of the machine's Uninstall keys in both registry views, sorted by name.
void CollectSoftware(ReportWriter& report, RegistryKeys& keys, int level);

}  // namespace sysinfo
