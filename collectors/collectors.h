// The sources the collectors read the machine through, and each collector over the sources it
// needs (the tests call them directly; the scan through each category's definition).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "collectors/performance.h"
#include "collectors/wmi.h"
#include "support/registry.h"

namespace sysinfo {

class AutostartSystem;
class FileExaminations;
class ReportWriter;
class SuspiciousFileSource;

// Everything a collector reads the machine through, made once for both programs
// (scan_session_win) or from fakes in the tests.
struct Sources {
  WmiService& wmi;
  RegistryRoutines& registry;
  SuspiciousFileSource& files;
  ReadPerformance readPerformance;
  std::string hostsPath;  // the file Host File Info copies, also shown in its start line
  // Copies the file at the path into the report, line by line.
  void (*copyHostsFile)(ReportWriter& report, const std::string& path);
  AutostartSystem& autostart;  // the Startup folders and the scheduled tasks
  // What is read of a file (over `files`), kept for the scan: a file named by several categories
  // or entries is read once.
  FileExaminations& examined;
};

// The source a collector reads, told by its parameter's type.
inline WmiService& SourceFor(Sources& sources, void (*)(ReportWriter&, WmiService&, DetailLevel)) {
  return sources.wmi;
}
inline RegistryRoutines& SourceFor(Sources& sources,
                                   void (*)(ReportWriter&, RegistryRoutines&, DetailLevel)) {
  return sources.registry;
}

// A category whose collector reads one source, run over the whole bundle.
template <auto collect>
void Over(ReportWriter& report, Sources& sources, DetailLevel level) {
  collect(report, SourceFor(sources, collect), level);
}

// Each writes its category's block at the detail level (1 to 3).
void CollectOperatingSystem(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectComputerSystem(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectCpu(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectDrives(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectDrivers(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectHardware(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectMemory(ReportWriter& report, WmiService& wmi, const ReadPerformance& readPerformance,
                   DetailLevel level);
void CollectNetworkProtocols(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectProcesses(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectServices(ReportWriter& report, WmiService& wmi, DetailLevel level);
void CollectStartupItems(ReportWriter& report, WmiService& wmi, DetailLevel level);
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
Result<std::vector<ProxyKey>> ProxyInfoKeys(RegistryRoutines& keys);

// The Internet proxy settings of the current user, the machine and one loaded user hive.
void CollectProxyInfo(ReportWriter& report, RegistryRoutines& keys);
// The programs of the machine's Uninstall keys in both registry views, sorted by name.
void CollectSoftware(ReportWriter& report, RegistryRoutines& keys, DetailLevel level);

}  // namespace sysinfo
