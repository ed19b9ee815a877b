// Every category's collector bound to WMI, the registry, the hosts file and the disk.
#include "collectors/collectors_win.h"

#include "base/fs_redirection_win.h"
#include "collectors/collectors.h"
#include "collectors/hosts_file_win.h"
#include "collectors/performance_win.h"
#include "collectors/suspicious_files_win.h"
#include "support/registry_win.h"

namespace sysinfo {

Collectors RealCollectors(WmiService& wmi, const std::string& hostsPath) {
  Collectors collectors;
  auto wmiSection = [&wmi](void (*collect)(ReportWriter&, WmiService&, int)) -> Collector {
    return [&wmi, collect](ReportWriter& report, int level) { collect(report, wmi, level); };
  };
  collectors[*FindCategory("Operating System")] = wmiSection(CollectOperatingSystem);
  collectors[*FindCategory("Computer System")] = wmiSection(CollectComputerSystem);
  collectors[*FindCategory("CPU")] = wmiSection(CollectCpu);
  collectors[*FindCategory("Drives")] = wmiSection(CollectDrives);
  collectors[*FindCategory("Drivers")] = wmiSection(CollectDrivers);
  collectors[*FindCategory("Hardware")] = wmiSection(CollectHardware);
  collectors[*FindCategory("Host File Info")] = [hostsPath](ReportWriter& report, int) {
    CollectHostsFile(report, hostsPath);
  };
  collectors[*FindCategory("Memory (Ram)")] = [&wmi](ReportWriter& report, int level) {
    CollectMemory(report, wmi, ReadPerformanceInfo, level);
  };
  collectors[*FindCategory("Network Protocols")] = wmiSection(CollectNetworkProtocols);
  collectors[*FindCategory("Processes")] = wmiSection(CollectProcesses);
  collectors[*FindCategory("Proxy Info")] = [](ReportWriter& report, int) {
    const FsRedirectionOff redirectionOff;
    WindowsRegistry registry;
    CollectProxyInfo(report, registry);
  };
  collectors[*FindCategory("Services")] = wmiSection(CollectServices);
  collectors[*FindCategory("Software")] = [](ReportWriter& report, int level) {
    const FsRedirectionOff redirectionOff;
    WindowsRegistry registry;
    CollectSoftware(report, registry, level);
  };
  collectors[*FindCategory("Startup Items")] = wmiSection(CollectStartupItems);
  collectors[*FindCategory("Suspicious Files!")] = [](ReportWriter& report, int level) {
    CollectSuspiciousFiles(report, level);
  };
  return collectors;
}

}  // namespace sysinfo
