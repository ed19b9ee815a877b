#pragma once

#include "app/scan.h"
#include "collectors/wmi.h"

namespace sysinfo {

// Every category's collector bound to the real platform sources. Both the window and the
// console runner scan with these.
Collectors RealCollectors(WmiService& wmi);

}  // namespace sysinfo
