// The system's memory figures through GetPerformanceInfo.
#pragma once

#include "collectors/performance.h"

namespace sysinfo {

// The system's performance record. A failed read gives the figures of the last successful one
// in this run (zero before the first) and the platform's reason.
PerformanceReading ReadPerformanceInfo();

}  // namespace sysinfo
