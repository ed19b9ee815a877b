// File checksums: the digest interface, the one-read passes and their report texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/byte_reader.h"

namespace sysinfo {

inline constexpr std::string_view kMd5ErrorText = "Error Getting MD5 Hash";

// A message digest fed in chunks (the platform's MD5).
class Digest {
 public:
  virtual ~Digest() = default;
  virtual bool Add(std::span<const std::uint8_t> bytes) = 0;
  // The digest bytes; nothing when it cannot be had.
  virtual std::optional<std::vector<std::uint8_t>> Finish() = 0;
};

// The two checksum texts the report prints for a file, and the SHA-256 that only the JSON
// report carries.
struct FileChecksums {
  std::string crc32;
  std::string md5;
  std::string sha256 = {};  // upper-case hexadecimal; empty when not asked for or not to be had
};

// Bytes as upper-case hexadecimal, two digits each.
std::string HexDigest(std::span<const std::uint8_t> bytes);

// Reads the file once, feeding CRC-32 and the digests from each chunk. Where there is a SHA-256
// digest and the file is larger than half the buffer, the file is read in chunks of half its size
// and SHA-256 runs on a thread of its own, side by side with the reading, CRC-32 and MD5 of the
// next chunk: the pass costs about SHA-256 alone. No reader (the file could not be opened) or a
// failed read gives both error texts; no MD5 digest, or one that fails, gives the MD5 error text
// while the CRC-32 is still computed. The SHA-256 text is empty unless its digest is given and
// succeeds.
FileChecksums ChecksumPass(ByteReader* reader, Digest* md5, std::span<std::uint8_t> buffer,
                           Digest* sha256 = nullptr);

// The digest alone, as HexDigest text or the MD5 error text.
std::string DigestPass(ByteReader* reader, Digest* digest, std::span<std::uint8_t> buffer);

// The chunk size of the file passes: large enough that each read costs little next to hashing.
inline constexpr std::size_t kChecksumChunkBytes = std::size_t{1} << 20;

}  // namespace sysinfo
