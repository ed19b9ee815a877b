// The portable checksum pass natively: CRC-32 with two stand-in digests, the slower on a thread of
// its own, against the slower digest alone, and against the three fed one after the other. The
// stand-ins cost what the platform's MD5 and SHA-256 cost next to each other (SHA-256 about twice
// MD5); the variants take turns, round after round, and each keeps its best time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/checksum.h"
#include "support/crc.h"

namespace {

using namespace sysinfo;

constexpr std::size_t kDataBytes = std::size_t{256} << 20;
constexpr int kRounds = 5;

// A digest that costs `cost` table-driven CRC-32 passes over each chunk: as many registers, each
// fed every byte once, so the result does not depend on where the chunks end.
class StandInDigest final : public Digest {
 public:
  explicit StandInDigest(int cost) : registers_(static_cast<std::size_t>(cost), 0xFFFFFFFFu) {}
  bool Add(std::span<const std::uint8_t> bytes) override {
    for (auto& reg : registers_) reg = Crc32UpdateByTable(reg, bytes);
    return true;
  }
  std::optional<std::vector<std::uint8_t>> Finish() override {
    std::uint32_t all = 0;
    for (std::uint32_t reg : registers_) all = all * 31 + reg;
    return std::vector<std::uint8_t>{
        static_cast<std::uint8_t>(all >> 24), static_cast<std::uint8_t>(all >> 16),
        static_cast<std::uint8_t>(all >> 8), static_cast<std::uint8_t>(all)};
  }

 private:
  std::vector<std::uint32_t> registers_;
};

constexpr int kMd5Rounds = 1;
constexpr int kSha256Rounds = 2;

class MemoryFile final : public ByteReader {
 public:
  explicit MemoryFile(const std::vector<std::uint8_t>& data) : data_(data) {}
  Result<std::size_t> Read(std::span<std::uint8_t> into) override {
    const std::size_t count = std::min(into.size(), data_.size() - position_);
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), count, into.begin());
    position_ += count;
    return {count, {}};
  }
  std::optional<std::uint64_t> SizeWhenOpened() const override { return data_.size(); }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t position_ = 0;
};

struct Variant {
  const char* name;
  std::function<std::string()> pass;
  double best = 1e9;
  std::string result = {};
};

}  // namespace

int main() {
  std::vector<std::uint8_t> data(kDataBytes);
  std::uint32_t state = 1;
  for (auto& b : data) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(state >> 24);
  }
  std::vector<std::uint8_t> buffer(kChecksumChunkBytes);
  std::vector<Variant> variants{
      {"slower digest alone",
       [&] {
         MemoryFile file(data);
         StandInDigest sha256(kSha256Rounds);
         return DigestPass(&file, &sha256, buffer);
       }},
      {"pass, slower digest beside",
       [&] {
         MemoryFile file(data);
         StandInDigest md5(kMd5Rounds), sha256(kSha256Rounds);
         const FileChecksums sums = ChecksumPass(&file, &md5, buffer, &sha256);
         return sums.crc32 + " " + sums.md5 + " " + sums.sha256;
       }},
      {"the three one after the other",
       [&] {
         MemoryFile file(data);
         StandInDigest md5(kMd5Rounds), sha256(kSha256Rounds);
         std::uint32_t crc = 0xFFFFFFFFu;
         for (std::size_t at = 0; at < data.size(); at += buffer.size()) {
           const auto got = file.Read(buffer).value;
           const std::span<const std::uint8_t> chunk(buffer.data(), got);
           crc = Crc32Update(crc, chunk);
           md5.Add(chunk);
           sha256.Add(chunk);
         }
         return Crc32Text(crc ^ 0xFFFFFFFFu) + " " + HexDigest(*md5.Finish()) + " " +
                HexDigest(*sha256.Finish());
       }},
  };
  for (int round = 0; round < kRounds; ++round) {
    for (Variant& variant : variants) {
      const auto start = std::chrono::steady_clock::now();
      variant.result = variant.pass();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      variant.best = std::min(variant.best, took.count());
    }
  }
  std::printf("%zu MiB in memory, %zu KiB buffer, best of %d rounds taken in turns\n",
              kDataBytes >> 20, kChecksumChunkBytes >> 10, kRounds);
  for (const Variant& variant : variants) {
    std::printf("  %-30s %7.0f MiB/s  %s\n", variant.name,
                static_cast<double>(kDataBytes >> 20) / variant.best, variant.result.c_str());
  }
  std::printf("  pass / slower digest alone time: %.3f (one after the other: %.3f)\n",
              variants[1].best / variants[0].best, variants[2].best / variants[0].best);
  return 0;
}
