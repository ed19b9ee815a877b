// CRC-32 and CRC-16 check values, clsCRC, and the checksum and digest passes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "support/checksum.h"
#include "support/crc.h"
#include "tests/fakes/memory_reader.h"

namespace sysinfo {
namespace {

using testing::AsBytes;
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

TEST(Crc, CheckValuesOfBothAlgorithms) {
  struct Case {
    int algorithm;  // 0: CRC-16 (XMODEM), anything else: CRC-32
    std::string_view input;
    std::uint32_t value;
  };
  const Case cases[] = {
      {1, "123456789", 0xCBF43926}, {1, "", 0}, {1, "a", 0xE8B7BE43}, {1, "ae", 0xE7DDCE},
      {1, "The quick brown fox jumps over the lazy dog", 0x414FA339},
      {0, "123456789", 0x31C3}, {0, "", 0}, {0, "A", 0x58E5},
  };
  for (const Case& c : cases) {
    clsCRC crc;
    crc.Algorithm(c.algorithm);
    EXPECT_EQ(crc.CalculateString(c.input), c.value) << c.algorithm << " " << c.input;
  }
  EXPECT_EQ(Crc32Text(0xE7DDCE), "E7DDCE");  // upper-case hex, no padding to eight digits
}

TEST(Crc32, EveryLengthAndAlignmentMatchesTheBitwiseDefinition) {
  // Short buffers take the tables alone; long ones are folded first (where the processor can)
  // and finished by the tables. Both must agree with the definition bit for bit.
  const auto data = RandomBytes(5000, 7);
  std::vector<std::size_t> lengths;
  for (std::size_t length = 0; length <= 400; length += 7) lengths.push_back(length);
  for (std::size_t length : {63, 64, 65, 255, 256, 257, 271, 319, 320, 321, 1000, 4095, 4096, 4097, 4984}) {
    lengths.push_back(length);
  }
  for (std::size_t offset = 0; offset < 16; ++offset) {
    for (std::size_t length : lengths) {
      const std::span<const std::uint8_t> part(data.data() + offset, length);
      const std::uint32_t expected = BitwiseCrc32(part);
      ASSERT_EQ(Crc32Update(0xFFFFFFFFu, part) ^ 0xFFFFFFFFu, expected)
          << "offset " << offset << " length " << length;
      ASSERT_EQ(Crc32UpdateByTable(0xFFFFFFFFu, part) ^ 0xFFFFFFFFu, expected)
          << "offset " << offset << " length " << length;
    }
  }
}

TEST(ClsCrc, MembersContinueSelectAndReload) {
  clsCRC crc;
  EXPECT_EQ(crc.Algorithm(), -1);  // a new object computes CRC-32

  // Adding in pieces continues the running checksum.
  crc.AddString("12345");
  EXPECT_EQ(crc.AddBytes(AsBytes("6789")), 0xCBF43926u);

  // Calculate starts afresh.
  EXPECT_EQ(crc.CalculateString("123456789"), 0xCBF43926u);

  // Value loads the raw register: a checksum saved half-way can be resumed.
  clsCRC first;
  const std::uint32_t halfWay = first.CalculateString("12345");
  clsCRC resumed;
  resumed.Value(halfWay ^ 0xFFFFFFFFu);
  EXPECT_EQ(resumed.AddString("6789"), 0xCBF43926u);

  // Switching algorithm clears the register and selects the other update.
  crc.Algorithm(0);
  EXPECT_EQ(crc.Algorithm(), 0);
  EXPECT_EQ(crc.Value(), 0u);
  crc.AddString("1234");
  EXPECT_EQ(crc.AddString("56789"), 0x31C3u);
  crc.Algorithm(5);
  EXPECT_EQ(crc.Algorithm(), -1);
  EXPECT_EQ(crc.Value(), 0u);  // CRC-32 of nothing
}

TEST(GetFileCrc32, FilesOfAnySizeAndFailures) {
  const auto folder = std::filesystem::temp_directory_path() / ("crc-test-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(folder);
  const auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
    return (folder / name).string();
  };
  const auto big = RandomBytes((3 << 20) + 11, 3);  // spans several read chunks
  const std::string bigBytes(big.begin(), big.end());

  EXPECT_EQ(GetFileCRC32(write("digits.bin", "123456789")), "CBF43926");
  EXPECT_EQ(GetFileCRC32(write("empty.bin", "")), "0");
  EXPECT_EQ(GetFileCRC32(write("big.bin", bigBytes)), Crc32Text(BitwiseCrc32(big)));
  EXPECT_EQ(GetFileCRC32((folder / "missing.bin").string()), "Error Getting CRC-32");
  std::filesystem::remove_all(folder);
}

// A stand-in digest whose "digest" is the CRC-32 of what it was fed, so a test sees whether it
// received every byte exactly once and in order.
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
    return std::vector<std::uint8_t>{static_cast<std::uint8_t>(crc >> 24),
                                     static_cast<std::uint8_t>(crc >> 16),
                                     static_cast<std::uint8_t>(crc >> 8),
                                     static_cast<std::uint8_t>(crc)};
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
  const std::size_t sizes[] = {0, 1, 32767, 32768, 32769, (5 << 20) + 3};
  const std::size_t chunks[] = {32768, kChecksumChunkBytes};
  for (std::size_t size : sizes) {
    const auto bytes = RandomBytes(size + 3, static_cast<unsigned>(size));
    const std::span<const std::uint8_t> all(bytes), data = all.first(size);
    clsCRC oneShot;
    const std::string expected = Crc32Text(oneShot.CalculateBytes(data));
    for (std::size_t chunk : chunks) {
      for (std::size_t maxRead : {chunk, std::size_t{4093}}) {  // full reads and short reads
        for (const auto& [held, stated] : {std::pair{size + 3, size}, std::pair{size, size + 3}}) {
          MemoryReader reader(all.first(held), maxRead, -1, stated);
          RecordingDigest digest;
          RecordingDigest strong;
          std::vector<std::uint8_t> buffer(chunk);
          const FileChecksums sums = ChecksumPass(&reader, &digest, buffer, &strong);
          EXPECT_EQ(sums.crc32, expected) << size << " in chunks of " << chunk << ", stated " << stated;
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
  const Case cases[] = {
      {"all three", true, -1, RecordingDigest(), RecordingDigest(), crc, digest, digest},
      {"file cannot be opened", false, -1, RecordingDigest(), {}, crcError, md5Error, ""},
      {"read fails half-way", true, 2, RecordingDigest(), RecordingDigest(), crcError, md5Error, ""},
      {"no hash provider", true, -1, {}, {}, crc, md5Error, ""},
      {"hashing fails", true, -1, RecordingDigest(1), {}, crc, md5Error, ""},
      {"digest cannot be read", true, -1, RecordingDigest(-1, true), {}, crc, md5Error, ""},
      {"SHA-256 not asked for", true, -1, RecordingDigest(), {}, crc, digest, ""},
      {"SHA-256 hashing fails", true, -1, RecordingDigest(), RecordingDigest(2), crc, digest, ""},
      {"SHA-256 cannot be read", true, -1, RecordingDigest(), RecordingDigest(-1, true), crc, digest, ""},
      {"MD5 fails, SHA-256 goes on", true, -1, RecordingDigest(0), RecordingDigest(), crc, md5Error, digest},
  };
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
}

TEST(DigestPass, DigestTextOrTheErrorText) {
  const auto data = RandomBytes(70'000, 2);
  std::vector<std::uint8_t> buffer(32768);
  MemoryReader reader(data, buffer.size());
  RecordingDigest digest;
  EXPECT_EQ(DigestPass(&reader, &digest, buffer), PaddedCrcText(data));

  MemoryReader failing(data, buffer.size(), 1);
  RecordingDigest unused;
  EXPECT_EQ(DigestPass(&failing, &unused, buffer), "Error Getting MD5 Hash");
  EXPECT_EQ(DigestPass(nullptr, &unused, buffer), "Error Getting MD5 Hash");

  const std::uint8_t bytes[] = {0x00, 0x0A, 0xFF, 0x5C};
  EXPECT_EQ(HexDigest(bytes), "000AFF5C");
}

}  // namespace
}  // namespace sysinfo
