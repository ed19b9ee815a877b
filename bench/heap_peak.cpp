// The global operator new and delete replaced for the benches: each block carries its size, so
// the bytes in use and their peak are known.
#include "bench/heap_peak.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};

}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size + sizeof(std::max_align_t));
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const std::size_t now = heapNow += size;
  std::size_t peak = heapPeak;
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(block) + sizeof(std::max_align_t);
}

void operator delete(void* pointer) noexcept {
  if (!pointer) return;
  // Through an integer, so the compiler sees no operator new's pointer given to free.
  auto* block = reinterpret_cast<std::size_t*>(reinterpret_cast<std::uintptr_t>(pointer) -
                                               sizeof(std::max_align_t));
  heapNow -= *block;
  std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }

namespace sysinfo::bench {

double PeakHeapBytes(const std::function<void()>& work) {
  const std::size_t before = heapNow;
  heapPeak = before;
  work();
  return static_cast<double>(heapPeak - before);
}

}  // namespace sysinfo::bench
