// The system's memory figures through GetPerformanceInfo, the last good ones kept.
#include "collectors/performance_win.h"

#include <windows.h>
#include <psapi.h>

#include "base/unicode_win.h"

namespace sysinfo {

PerformanceReading ReadPerformanceInfo() {
  // One record for the whole run: a call that fails leaves it as the last good call left it.
  static PerformanceInfo last;
  PERFORMANCE_INFORMATION record{};
  record.cb = sizeof record;
  if (!GetPerformanceInfo(&record, sizeof record)) return {last, SystemError(GetLastError())};
  last = PerformanceInfo{
      .commitTotal = record.CommitTotal,
      .commitLimit = record.CommitLimit,
      .commitPeak = record.CommitPeak,
      .physicalTotal = record.PhysicalTotal,
      .physicalAvailable = record.PhysicalAvailable,
      .systemCache = record.SystemCache,
      .kernelTotal = record.KernelTotal,
      .kernelPaged = record.KernelPaged,
      .kernelNonpaged = record.KernelNonpaged,
      .pageSize = record.PageSize,
      .handleCount = record.HandleCount,
      .processCount = record.ProcessCount,
      .threadCount = record.ThreadCount,
  };
  return {last, {}};
}

}  // namespace sysinfo
