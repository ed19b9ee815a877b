// Our CRC-32 against zlib's crc32 over the same gibibyte of data, in one run.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "support/crc.h"
#include "support/crc_clmul.h"

namespace {

constexpr std::size_t kBufferBytes = std::size_t{64} << 20;  // larger than any cache
constexpr int kPasses = 16;  // 16 x 64 MiB = 1 GiB
constexpr int kRounds = 3;  // best of three

template <typename Crc>
double BestSeconds(Crc crc, std::uint32_t& result) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int pass = 0; pass < kPasses; ++pass) result = crc();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main() {
  std::vector<std::uint8_t> data(kBufferBytes);
  std::mt19937_64 random(1);
  for (std::size_t i = 0; i < data.size(); i += 8) {
    const std::uint64_t word = random();
    for (int b = 0; b < 8; ++b) data[i + b] = static_cast<std::uint8_t>(word >> (8 * b));
  }
  const double gib = static_cast<double>(kBufferBytes) * kPasses / (1 << 30);

  std::uint32_t ours = 0;
  std::uint32_t theirs = 0;
  const double oursSeconds = BestSeconds(
      [&] { return sysinfo::Crc32Update(0xFFFFFFFFu, data) ^ 0xFFFFFFFFu; }, ours);
  std::uint32_t tables = 0;
  const double tableSeconds = BestSeconds(
      [&] { return sysinfo::Crc32UpdateByTable(0xFFFFFFFFu, data) ^ 0xFFFFFFFFu; }, tables);
  const double zlibSeconds = BestSeconds(
      [&] {
        return static_cast<std::uint32_t>(
            crc32(crc32(0, nullptr, 0), data.data(), static_cast<uInt>(data.size())));
      },
      theirs);

  std::printf("CRC-32 over %.0f GiB (64 MiB buffer x %d, best of %d)\n", gib, kPasses, kRounds);
  std::printf("  ours (%s): %8.0f MiB/s  %08X\n",
              sysinfo::HasCarryLessMultiply() ? "folding  " : "tables   ", gib * 1024 / oursSeconds,
              ours);
  std::printf("  ours (tables   ): %8.0f MiB/s  %08X\n", gib * 1024 / tableSeconds, tables);
  std::printf("  zlib %-9s: %8.0f MiB/s  %08X\n", zlibVersion(), gib * 1024 / zlibSeconds, theirs);
  std::printf("  ours / zlib speed: %.2f (tables only: %.2f)\n", zlibSeconds / oursSeconds,
              zlibSeconds / tableSeconds);
  return ours == theirs && tables == theirs ? 0 : 1;
}
