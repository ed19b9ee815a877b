// Every category's collector bound to the real platform sources.
#pragma once

#include <string>

#include "base/scan.h"
#include "collectors/wmi.h"

namespace sysinfo {

// Every category's collector bound to the real platform sources. Both the window and the
// console runner scan with these; hostsPath is the file the Host File Info collector copies
// (FindHostsFilePath, the path also shown in that section's start line).
Collectors RealCollectors(WmiService& wmi, const std::string& hostsPath);

}  // namespace sysinfo
