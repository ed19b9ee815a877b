// CRC-32 folded 64 bytes at a time with carry-less multiplication (PCLMULQDQ).

// The message is folded 64 bytes at a time in four 128-bit lanes; each fold multiplies a lane's
// two halves by x^k mod P for the distance it jumps ahead.
// What remains is a 16-byte value congruent to the message, whose CRC the table code finishes.
// The constants are x^k mod P for the reflected polynomial, bit-reflected and shifted left by
// one, as carry-less multiplication of reflected operands needs.
#include "support/crc_clmul.h"

#include <array>

#include "support/crc.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#include <wmmintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

namespace sysinfo {
namespace {

// Folds by 4 x 128 bits: x^(512+32) and x^(512-32) mod P.
constexpr std::uint64_t kFold512Low = 0x154442BD4;
constexpr std::uint64_t kFold512High = 0x1C6E41596;
// Folds by 128 bits: x^(128+32) and x^(128-32) mod P.
constexpr std::uint64_t kFold128Low = 0x1751997D0;
constexpr std::uint64_t kFold128High = 0x0CCAA009E;

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

__m128i Constants(std::uint64_t low, std::uint64_t high) {
  return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

// The lane moved ahead by the distance the constants encode.
__m128i Fold(__m128i lane, __m128i constants) {
  return _mm_xor_si128(_mm_clmulepi64_si128(lane, constants, 0x00),
                       _mm_clmulepi64_si128(lane, constants, 0x11));
}

}  // namespace

bool HasCarryLessMultiply() {
  constexpr unsigned kPclmulBit = 1u << 1;  // CPUID leaf 1, ECX bit 1
#if defined(_MSC_VER)
  int registers[4] = {};
  __cpuid(registers, 1);
  static const bool has = (static_cast<unsigned>(registers[2]) & kPclmulBit) != 0;
#else
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  static const bool has = __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & kPclmulBit) != 0;
#endif
  return has;
}

std::uint32_t Crc32Fold(std::uint32_t reg, const std::uint8_t* bytes, std::size_t size,
                        std::size_t* consumed) {
  const std::uint8_t* p = bytes;
  __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
  __m128i x1 = Load(p + 16);
  __m128i x2 = Load(p + 32);
  __m128i x3 = Load(p + 48);
  p += 64;
  std::size_t left = size - 64;

  const __m128i by512 = Constants(kFold512Low, kFold512High);
  for (; left >= 64; left -= 64, p += 64) {
    x0 = _mm_xor_si128(Fold(x0, by512), Load(p));
    x1 = _mm_xor_si128(Fold(x1, by512), Load(p + 16));
    x2 = _mm_xor_si128(Fold(x2, by512), Load(p + 32));
    x3 = _mm_xor_si128(Fold(x3, by512), Load(p + 48));
  }

  const __m128i by128 = Constants(kFold128Low, kFold128High);
  __m128i x = _mm_xor_si128(Fold(x0, by128), x1);
  x = _mm_xor_si128(Fold(x, by128), x2);
  x = _mm_xor_si128(Fold(x, by128), x3);
  for (; left >= 16; left -= 16, p += 16) x = _mm_xor_si128(Fold(x, by128), Load(p));

  std::array<std::uint8_t, 16> remainder{};
  _mm_storeu_si128(reinterpret_cast<__m128i*>(remainder.data()), x);
  *consumed = static_cast<std::size_t>(p - bytes);
  // The 16 bytes stand for everything folded so far: their CRC from a zero register is the
  // register the whole prefix would have left.
  return Crc32UpdateByTable(0, remainder);
}

}  // namespace sysinfo

#else  // no carry-less multiplication on this processor family: the tables do all the work

namespace sysinfo {

bool HasCarryLessMultiply() { return false; }

std::uint32_t Crc32Fold(std::uint32_t reg, const std::uint8_t*, std::size_t,
                        std::size_t* consumed) {
  *consumed = 0;
  return reg;
}

}  // namespace sysinfo

#endif
