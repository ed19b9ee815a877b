// What a piece of work takes of the heap at its most, counted by the global operator new that
// heap_peak.cpp replaces in the bench that links it.
#pragma once

#include <cstddef>
#include <functional>

namespace sysinfo::bench {

// The most heap bytes `work` held at once beyond what was in use before it.
double PeakHeapBytes(const std::function<void()>& work);

}  // namespace sysinfo::bench
