// CRC-32 check values, clsCRC, and the checksum and digest passes.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "support/checksum.h"
#include "support/crc.h"
#include "tests/fakes/memory_reader.h"

namespace sysinfo {
namespace {

using testing::MemoryReader;

// One bit at a time, straight from the polynomial: what the table-driven code must agree with.
std::uint32_t BitwiseCrc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t reg = 0xFFFFFFFFu;
  for (std::uint8_t b : bytes) {
    reg ^= b;
    for (int bit = 0; bit < 8; ++bit) reg = (reg & 1) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
  }
  return reg ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

TEST(Crc, CheckValues) {
  const std::pair<std::string_view, std::uint32_t> cases[] = {
      {"123456789", 0xCBF43926}, {"", 0}, {"a", 0xE8B7BE43}, {"ae", 0xE7DDCE}};
  for (const auto& [input, value] : cases) {
    clsCRC crc;
    EXPECT_EQ(crc.AddBytes({reinterpret_cast<const std::uint8_t*>(input.data()), input.size()}),
              value)
        << input;
  }
  EXPECT_EQ(Crc32Text(0xE7DDCE), "E7DDCE");  // upper-case hex, no padding to eight digits
}

// Short buffers take the tables alone; long ones are folded first (where the processor can) and
// finished by the tables. Both must agree with the definition bit for bit.
TEST(Crc32, EveryLengthAndAlignmentMatchesTheBitwiseDefinition) {
  const auto data = RandomBytes(5000, 7);
  std::vector<std::size_t> lengths{63,  64,  65,   255,  256,  257, 319,
                                   320, 321, 4095, 4096, 4097, 4984};
  for (std::size_t length = 0; length <= 400; length += 7) lengths.push_back(length);
  for (std::size_t offset = 0; offset < 16; ++offset) {
    for (std::size_t length : lengths) {
      const std::span<const std::uint8_t> part(data.data() + offset, length);
      const std::uint32_t expected = BitwiseCrc32(part);
      ASSERT_EQ(Crc32Update(0xFFFFFFFFu, part) ^ 0xFFFFFFFFu, expected) << offset << " " << length;
      ASSERT_EQ(Crc32UpdateByTable(0xFFFFFFFFu, part) ^ 0xFFFFFFFFu, expected)
          << offset << " " << length;
    }
  }
}

// A stand-in digest whose "digest" is the padded CRC-32 text of what it was fed, so a test sees
// whether it received every byte exactly once and in order; it can fail at an Add or at the end.
class RecordingDigest final : public Digest {
 public:
  explicit RecordingDigest(int failAtAdd = -1, bool failFinish = false)
      : failAtAdd_(failAtAdd), failFinish_(failFinish) {}
  bool Add(std::span<const std::uint8_t> bytes) override {
    if (adds_++ == failAtAdd_) return false;
    reg_ = Crc32Update(reg_, bytes);
    return true;
  }
  std::optional<std::vector<std::uint8_t>> Finish() override {
    if (failFinish_) return std::nullopt;
    const std::uint32_t crc = reg_ ^ 0xFFFFFFFFu;
    return std::vector<std::uint8_t>{
        static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
        static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
  }

 private:
  int failAtAdd_;
  bool failFinish_;
  int adds_ = 0;
  std::uint32_t reg_ = 0xFFFFFFFFu;
};

std::string PaddedCrcText(std::span<const std::uint8_t> bytes) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", BitwiseCrc32(bytes));
  return text;
}

// Of a file that another program appends to, or cuts short, after it was opened, what it held
// then is hashed, and no more.
TEST(ChecksumPass, StreamingGivesTheOneShotChecksumForEverySize) {
  for (std::size_t size : {0, 1, 32767, 32768, 32769, (5 << 20) + 3}) {
    const auto bytes = RandomBytes(size + 3, static_cast<unsigned>(size));
    const std::span<const std::uint8_t> all(bytes), data = all.first(size);
    const std::string expected = Crc32Text(BitwiseCrc32(data));
    for (std::size_t chunk : {std::size_t{32768}, kChecksumChunkBytes}) {
      for (std::size_t maxRead : {chunk, std::size_t{4093}}) {  // full reads and short reads
        for (const auto& [held, stated] : {std::pair{size + 3, size}, std::pair{size, size + 3}}) {
          MemoryReader reader(all.first(held), maxRead, -1, stated);
          RecordingDigest digest;
          RecordingDigest strong;
          std::vector<std::uint8_t> buffer(chunk);
          const FileChecksums sums = ChecksumPass(&reader, &digest, buffer, &strong);
          EXPECT_EQ(sums.crc32, expected)
              << size << " in chunks of " << chunk << ", stated " << stated;
          EXPECT_EQ(sums.md5, PaddedCrcText(data)) << "the digest saw other bytes";
          EXPECT_EQ(sums.sha256, PaddedCrcText(data)) << "the second digest saw other bytes";
        }
      }
    }
  }
}

// The SHA-256 of the JSON report comes from the same read as the report's two checksums; its
// failure must cost neither of them, and theirs must not cost it.
TEST(ChecksumPass, EachFailureCostsOnlyItsOwnText) {
  const auto data = RandomBytes(100'000, 4);
  const std::string crc = Crc32Text(BitwiseCrc32(data));
  const std::string digest = PaddedCrcText(data);
  const std::string crcError = "Error Getting CRC-32";
  const std::string md5Error = "Error Getting MD5 Hash";
  std::vector<std::uint8_t> buffer(32768);
  struct Case {
    const char* what;
    bool openable;
    int failAtRead;
    std::optional<RecordingDigest> md5, sha256;  // nothing: no such digest
    std::string crc32Text, md5Text, sha256Text;
  };
  // clang-format off
  const Case cases[] = {
      {"all three", true, -1, RecordingDigest(), RecordingDigest(), crc, digest, digest},
      {"file cannot be opened", false, -1, RecordingDigest(), {}, crcError, md5Error, ""},
      {"read fails half-way", true, 2, RecordingDigest(), RecordingDigest(), crcError, md5Error, ""},
      {"no hash provider", true, -1, {}, {}, crc, md5Error, ""},
      {"hashing fails", true, -1, RecordingDigest(1), {}, crc, md5Error, ""},
      {"digest cannot be read", true, -1, RecordingDigest(-1, true), {}, crc, md5Error, ""},
      {"SHA-256 hashing fails", true, -1, RecordingDigest(), RecordingDigest(2), crc, digest, ""},
      {"SHA-256 cannot be read", true, -1, RecordingDigest(), RecordingDigest(-1, true), crc, digest, ""},
      {"MD5 fails, SHA-256 goes on", true, -1, RecordingDigest(0), RecordingDigest(), crc, md5Error, digest},
  };
  // clang-format on
  for (const Case& c : cases) {
    MemoryReader reader(data, buffer.size(), c.failAtRead);
    auto md5 = c.md5;
    auto sha256 = c.sha256;
    const FileChecksums sums = ChecksumPass(c.openable ? &reader : nullptr, md5 ? &*md5 : nullptr,
                                            buffer, sha256 ? &*sha256 : nullptr);
    EXPECT_EQ(sums.crc32, c.crc32Text) << c.what;
    EXPECT_EQ(sums.md5, c.md5Text) << c.what;
    EXPECT_EQ(sums.sha256, c.sha256Text) << c.what;
  }
  const std::uint8_t bytes[] = {0x00, 0x0A, 0xFF, 0x5C};
  EXPECT_EQ(HexDigest(bytes), "000AFF5C");
}

}  // namespace
}  // namespace sysinfo
