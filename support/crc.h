// CRC-32 and CRC-16 over buffers, and clsCRC, the checksum object the report uses.
#pragma once

#include <cstdint>
#include <optional>
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

// Advances a CRC-16/XMODEM register (polynomial 0x1021, MSB first, no reflection, no final XOR).
std::uint16_t Crc16Update(std::uint16_t reg, std::span<const std::uint8_t> bytes);

// A running checksum over bytes, text and files: CRC-32 (the default) or CRC-16/XMODEM.
class clsCRC {
 public:
  clsCRC() { Algorithm(1); }

  // Runs the selected CRC over the bytes on top of what was added before; returns Value().
  std::uint32_t AddBytes(std::span<const std::uint8_t> bytes);
  // The text's bytes as given: callers pass the encoding whose checksum they want.
  std::uint32_t AddString(std::string_view text);

  // Non-zero selects CRC-32, zero CRC-16; either way the register starts afresh.
  void Algorithm(int selection);
  // -1 for CRC-32, 0 for CRC-16.
  int Algorithm() const { return crc32Selected_ ? -1 : 0; }

  std::uint32_t CalculateBytes(std::span<const std::uint8_t> bytes);
  std::uint32_t CalculateString(std::string_view text);
  // The checksum of a whole file (UTF-8 path), read in chunks so any size fits; an empty file
  // gives the checksum of no data. Nothing when the file cannot be opened or read.
  std::optional<std::uint32_t> CalculateFile(const std::string& path);

  // CRC-32: the register inverted; CRC-16: the register's low 16 bits.
  std::uint32_t Value() const;
  // Loads the selected algorithm's register as it is (no inversion).
  void Value(std::uint32_t reg);
  void Clear();

 private:
  bool crc32Selected_ = true;
  std::uint32_t crc32Register_ = 0xFFFFFFFFu;
  std::uint16_t crc16Register_ = 0;
};

// A CRC-32 as upper-case hexadecimal without leading zeros ("0" for zero).
std::string Crc32Text(std::uint32_t crc);

// The file's CRC-32 as Crc32Text, or "Error Getting CRC-32" when it cannot be read.
std::string GetFileCRC32(const std::string& path);

}  // namespace sysinfo
