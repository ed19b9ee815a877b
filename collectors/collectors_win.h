// The real sources both programs scan with, and the collector that runs the category list over
// them.
#pragma once

#include <string>

#include "base/scan.h"
#include "collectors/wmi.h"

namespace sysinfo {

// Runs each category's collector over the platform's own sources: this WMI service, the
// registry, the disk, the performance record, and the hosts file at `hostsPath`
// (FindHostsFilePath, the path also shown in that section's start line). Both the window and
// the console runner scan with it; the index is a position in kCategories.
Collector RealCollector(WmiService& wmi, const std::string& hostsPath);

}  // namespace sysinfo
