// CRC-32 over buffers, and clsCRC, the running checksum the report uses.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sysinfo {

inline constexpr std::string_view kCrc32ErrorText = "Error Getting CRC-32";

// Advances a raw CRC-32 register (reflected polynomial 0xEDB88320, the zlib and ISO-HDLC CRC)
// over a buffer. The caller presets the register to 0xFFFFFFFF and inverts the result.
std::uint32_t Crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes);
// The same through lookup tables only (what Crc32Update falls back to on short buffers and on
// processors without carry-less multiplication).
std::uint32_t Crc32UpdateByTable(std::uint32_t reg, std::span<const std::uint8_t> bytes);

// A running CRC-32 over bytes: what the checksum pass feeds each chunk of a file to.
class clsCRC {
 public:
  // Runs the CRC over the bytes on top of what was added before; returns Value().
  std::uint32_t AddBytes(std::span<const std::uint8_t> bytes);
  // The checksum of everything added so far (the register inverted).
  std::uint32_t Value() const { return register_ ^ 0xFFFFFFFFu; }

 private:
  std::uint32_t register_ = 0xFFFFFFFFu;
};

// A CRC-32 as upper-case hexadecimal without leading zeros ("0" for zero).
std::string Crc32Text(std::uint32_t crc);

}  // namespace sysinfo
