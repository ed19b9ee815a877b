// Every category's collector, and the sources they read the machine through.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "collectors/performance.h"
#include "collectors/wmi.h"
#include "support/registry.h"

namespace sysinfo {

struct CategoryFields;
class ReportWriter;
class SuspiciousFileSource;

// Everything a collector reads the machine through, made once for both programs
// (collectors_win) or from fakes in the tests.
struct Sources {
  WmiService& wmi;
  RegistryKeys& registry;
  SuspiciousFileSource& files;
  ReadPerformance readPerformance;
  std::string hostsPath;  // the file Host File Info copies, also shown in its start line
  // Copies the file at the path into the report, line by line.
  void (*copyHostsFile)(ReportWriter& report, const std::string& path);
};

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
// Where the Internet proxy settings live, below HKCU, HKLM and each user hive.
inline constexpr std::string_view kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// A key Proxy Info reads: its root, the root's name as the report writes it, the path below.
struct ProxyKey {
  RegistryRoot root;
  std::string_view rootName;
  std::string path;
};
// The keys Proxy Info reads, in its order: the Internet Settings of the current user, of the
// machine and of one loaded user hive; the reason when the hives could not be listed.
Result<std::vector<ProxyKey>> ProxyInfoKeys(RegistryKeys& keys);

// The Internet proxy settings of the current user, the machine and one loaded user hive.
void CollectProxyInfo(ReportWriter& report, RegistryKeys& keys);
// The programs of the machine's Uninstall keys in both registry views, sorted by name.
void CollectSoftware(ReportWriter& report, RegistryKeys& keys, int level);

// The same entries over the whole bundle, as the category list holds them.
void CollectHostsFile(ReportWriter& report, Sources& sources, int level);
void CollectMemory(ReportWriter& report, Sources& sources, int level);
void CollectProxyInfo(ReportWriter& report, Sources& sources, int level);
void CollectSoftware(ReportWriter& report, Sources& sources, int level);
void CollectSuspiciousFiles(ReportWriter& report, Sources& sources, int level);

// Each category's declared fields, beside its table (see category_fields.h).
extern const CategoryFields kOperatingSystemFields;
extern const CategoryFields kComputerSystemFields;
extern const CategoryFields kCpuFields;
extern const CategoryFields kDrivesFields;
extern const CategoryFields kDriversFields;
extern const CategoryFields kHardwareFields;
extern const CategoryFields kHostsFileFields;
extern const CategoryFields kMemoryFields;
extern const CategoryFields kNetworkProtocolsFields;
extern const CategoryFields kProcessesFields;
extern const CategoryFields kProxyInfoFields;
extern const CategoryFields kServicesFields;
extern const CategoryFields kSoftwareFields;
extern const CategoryFields kStartupItemsFields;
extern const CategoryFields kSuspiciousFilesFields;

}  // namespace sysinfo
