#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sysinfo {

// A file's bytes from start to end, read in chunks so files of any size pass through.
class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Fills the front of `into` and returns how many bytes it holds (0 at the end of the file);
  // nothing when reading failed.
  virtual std::optional<std::size_t> Read(std::span<std::uint8_t> into) = 0;
};

}  // namespace sysinfo
