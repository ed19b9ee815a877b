#pragma once

#include "collectors/wmi.h"

namespace sysinfo {

class ReportWriter;

// One entry per report category; each writes its block at the detail level (1 to 3).
void CollectOperatingSystem(ReportWriter& report, WmiService& wmi, int level);
void CollectComputerSystem(ReportWriter& report, WmiService& wmi, int level);

}  // namespace sysinfo
