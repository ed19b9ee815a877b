// CRC-32 by carry-less multiplication, where the processor has it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sysinfo {

// True when the processor can multiply carry-less (PCLMULQDQ), so CRC-32 can fold 64 bytes at
// a time instead of looking up tables byte by byte.
bool HasCarryLessMultiply();

// Folds the CRC-32 register over the longest multiple of 16 bytes of `bytes` (at least 64 are
// required) and returns the raw register; `*consumed` tells how many bytes it took. Only call
// when HasCarryLessMultiply() is true.
std::uint32_t Crc32Fold(std::uint32_t reg, const std::uint8_t* bytes, std::size_t size,
                        std::size_t* consumed);

}  // namespace sysinfo
