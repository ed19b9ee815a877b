// The collectors over the services they read (the tests call them directly; the scan through
// each category's definition, which finds those services among the sources).
#pragma once

#include "base/levels.h"
#include "collectors/performance.h"
#include "collectors/sources.h"
#include "collectors/wmi.h"
#include "support/registry.h"

namespace sysinfo {

class ReportWriter;

// The one service a collector reads, told by its parameter's type.
template <class Collect>
struct ServiceOf;
template <class Service>
struct ServiceOf<void (*)(ReportWriter&, Service&, DetailLevel)> {
  using type = Service;
};

// A category whose collector reads one service, run over the sources.
template <auto collect>
void Over(ReportWriter& report, const Sources& sources, DetailLevel level) {
  using Service = typename ServiceOf<decltype(collect)>::type;
  if (Service* service = sources.Need<Service>(report)) collect(report, *service, level);
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
// The Internet proxy settings of the current user, the machine and one loaded user hive.
void CollectProxyInfo(ReportWriter& report, RegistryRoutines& keys);
// The programs of the machine's Uninstall keys in both registry views, sorted by name.
void CollectSoftware(ReportWriter& report, RegistryRoutines& keys, DetailLevel level);

}  // namespace sysinfo
