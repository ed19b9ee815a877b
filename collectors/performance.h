// The system memory figures the Memory section prints, and how they are read.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "base/result.h"

namespace sysinfo {

// The system memory figures the Memory section prints: amounts in pages of `pageSize` bytes,
// and plain counts.
struct PerformanceInfo {
  std::uint64_t commitTotal = 0;
  std::uint64_t commitLimit = 0;
  std::uint64_t commitPeak = 0;
  std::uint64_t physicalTotal = 0;
  std::uint64_t physicalAvailable = 0;
  std::uint64_t systemCache = 0;
  std::uint64_t kernelTotal = 0;
  std::uint64_t kernelPaged = 0;
  std::uint64_t kernelNonpaged = 0;
  std::uint64_t pageSize = 0;
  std::uint64_t handleCount = 0;
  std::uint64_t processCount = 0;
  std::uint64_t threadCount = 0;
};

// A read of the figures. When the platform cannot give them, the value holds the last ones read
// in this run (zero before the first), which the text report shows, and the error says why.
using PerformanceReading = Result<PerformanceInfo>;

// Reads the figures at the moment of the call.
using ReadPerformance = std::function<PerformanceReading()>;

// Where the Memory section reads the figures, among the scan's sources.
struct PerformanceSource {
  static constexpr std::string_view kSourceName = "performance record";
  ReadPerformance read;
};

}  // namespace sysinfo
