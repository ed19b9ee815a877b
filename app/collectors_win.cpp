#include "app/collectors_win.h"

#include "collectors/collectors.h"
#include "collectors/suspicious_files_win.h"

namespace sysinfo {

Collectors RealCollectors(WmiService& wmi) {
  Collectors collectors;
  auto wmiSection = [&wmi](void (*collect)(ReportWriter&, WmiService&, int)) -> Collector {
    return [&wmi, collect](ReportWriter& report, int level) { collect(report, wmi, level); };
  };
  collectors[*FindCategory("Operating System")] = wmiSection(CollectOperatingSystem);
  collectors[*FindCategory("Computer System")] = wmiSection(CollectComputerSystem);
  collectors[*FindCategory("Suspicious Files!")] = [](ReportWriter& report, int level) {
    CollectSuspiciousFiles(report, level);
  };
  return collectors;
}

}  // namespace sysinfo
