#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "support/checksum.h"
#include "support/crc.h"

namespace sysinfo {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

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

TEST(Crc32, KnownValuesPrintAsUpperCaseHexWithoutLeadingZeros) {
  struct Case {
    std::string_view input;
    std::string_view text;
  };
  const Case cases[] = {
      {"123456789", "CBF43926"},
      {"", "0"},
      {"a", "E8B7BE43"},
      {"ae", "E7DDCE"},  // below 0x10000000: six digits, no padding
      {"The quick brown fox jumps over the lazy dog", "414FA339"},
  };
  for (const Case& c : cases) {
    clsCRC crc;
    EXPECT_EQ(Crc32Text(crc.CalculateString(c.input)), c.text) << c.input;
  }
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

TEST(Crc16, XmodemCheckValues) {
  struct Case {
    std::string_view input;
    std::uint32_t value;
  };
  const Case cases[] = {{"123456789", 0x31C3}, {"", 0}, {"A", 0x58E5}};
  for (const Case& c : cases) {
    clsCRC crc;
    crc.Algorithm(0);
    EXPECT_EQ(crc.CalculateString(c.input), c.value) << c.input;
  }
}

TEST(ClsCrc, MembersContinueSelectAndReload) {
  clsCRC crc;
  EXPECT_EQ(crc.Algorithm(), -1);  // a new object computes CRC-32

  // Adding in pieces continues the running checksum.
  crc.AddString("12345");
  EXPECT_EQ(crc.AddBytes(Bytes("6789")), 0xCBF43926u);

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

// Hands out a buffer in reads no larger than `maxRead`, optionally failing at a given read.
class MemoryReader final : public ByteReader {
 public:
  MemoryReader(std::span<const std::uint8_t> data, std::size_t maxRead, int failAtRead = -1)
      : data_(data), maxRead_(maxRead), failAtRead_(failAtRead) {}
  std::optional<std::size_t> Read(std::span<std::uint8_t> into) override {
    if (reads_++ == failAtRead_) return std::nullopt;
    const std::size_t count = std::min({into.size(), maxRead_, data_.size() - position_});
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), count, into.begin());
    position_ += count;
    return count;
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t maxRead_;
  int failAtRead_;
  int reads_ = 0;
  std::size_t position_ = 0;
};

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

TEST(ChecksumPass, StreamingGivesTheOneShotChecksumForEverySize) {
  const std::size_t sizes[] = {0, 1, 32767, 32768, 32769, (5 << 20) + 3};
  const std::size_t chunks[] = {32768, kChecksumChunkBytes};
  for (std::size_t size : sizes) {
    const auto data = RandomBytes(size, static_cast<unsigned>(size));
    clsCRC oneShot;
    const std::string expected = Crc32Text(oneShot.CalculateBytes(data));
    for (std::size_t chunk : chunks) {
      for (std::size_t maxRead : {chunk, std::size_t{4093}}) {  // full reads and short reads
        MemoryReader reader(data, maxRead);
        RecordingDigest digest;
        RecordingDigest strong;
        std::vector<std::uint8_t> buffer(chunk);
        const FileChecksums sums = ChecksumPass(&reader, &digest, buffer, &strong);
        EXPECT_EQ(sums.crc32, expected) << size << " in chunks of " << chunk;
        EXPECT_EQ(sums.md5, PaddedCrcText(data)) << "the digest saw other bytes";
        EXPECT_EQ(sums.sha256, PaddedCrcText(data)) << "the second digest saw other bytes";
      }
    }
  }
}

TEST(ChecksumPass, FailuresGiveTheirErrorTexts) {
  const auto data = RandomBytes(100'000, 1);
  const std::string crc = Crc32Text(BitwiseCrc32(data));
  std::vector<std::uint8_t> buffer(32768);
  struct Case {
    const char* what;
    bool openable;
    int failAtRead;
    bool hasDigest;
    int failAtAdd;
    bool failFinish;
    std::string crc32;
    std::string md5;
  };
  const std::string crcError = "Error Getting CRC-32";
  const std::string md5Error = "Error Getting MD5 Hash";
  const Case cases[] = {
      {"file cannot be opened", false, -1, true, -1, false, crcError, md5Error},
      {"read fails half-way", true, 2, true, -1, false, crcError, md5Error},
      {"no hash provider", true, -1, false, -1, false, crc, md5Error},
      {"hashing fails", true, -1, true, 1, false, crc, md5Error},
      {"digest cannot be read", true, -1, true, -1, true, crc, md5Error},
  };
  for (const Case& c : cases) {
    MemoryReader reader(data, buffer.size(), c.failAtRead);
    RecordingDigest digest(c.failAtAdd, c.failFinish);
    const FileChecksums sums =
        ChecksumPass(c.openable ? &reader : nullptr, c.hasDigest ? &digest : nullptr, buffer);
    EXPECT_EQ(sums.crc32, c.crc32) << c.what;
    EXPECT_EQ(sums.md5, c.md5) << c.what;
  }
}

// The SHA-256 of the JSON report comes from the same read as the report's two checksums; its
// failure must cost neither of them, and theirs must not cost it.
TEST(ChecksumPass, Sha256FromTheSameReadFailsOnItsOwn) {
  const auto data = RandomBytes(100'000, 4);
  const std::string crc = Crc32Text(BitwiseCrc32(data));
  const std::string digestText = PaddedCrcText(data);
  const std::string md5Error = "Error Getting MD5 Hash";
  std::vector<std::uint8_t> buffer(32768);
  struct Case {
    const char* what;
    int failAtRead;
    bool hasSha256;
    int md5FailAtAdd;
    int sha256FailAtAdd;
    bool sha256FailFinish;
    std::string crc32;
    std::string md5;
    std::string sha256;
  };
  const Case cases[] = {
      {"all three", -1, true, -1, -1, false, crc, digestText, digestText},
      {"not asked for", -1, false, -1, -1, false, crc, digestText, ""},
      {"SHA-256 hashing fails", -1, true, -1, 2, false, crc, digestText, ""},
      {"SHA-256 cannot be read", -1, true, -1, -1, true, crc, digestText, ""},
      {"MD5 fails, SHA-256 goes on", -1, true, 0, -1, false, crc, md5Error, digestText},
      {"read fails half-way", 1, true, -1, -1, false, "Error Getting CRC-32", md5Error, ""},
  };
  for (const Case& c : cases) {
    MemoryReader reader(data, buffer.size(), c.failAtRead);
    RecordingDigest md5(c.md5FailAtAdd);
    RecordingDigest sha256(c.sha256FailAtAdd, c.sha256FailFinish);
    const FileChecksums sums = ChecksumPass(&reader, &md5, buffer, c.hasSha256 ? &sha256 : nullptr);
    EXPECT_EQ(sums.crc32, c.crc32) << c.what;
    EXPECT_EQ(sums.md5, c.md5) << c.what;
    EXPECT_EQ(sums.sha256, c.sha256) << c.what;
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
