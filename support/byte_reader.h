// ByteReader: a file's bytes read from start to end in chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/result.h"

namespace sysinfo {

// A file's bytes from start to end, read in chunks so files of any size pass through.
class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Fills the front of `into` and returns how many bytes it holds (0 at the end of the file), or
  // the platform's reason when reading failed.
  virtual Result<std::size_t> Read(std::span<std::uint8_t> into) = 0;
  // The size the file had when it was opened, where known: a pass reads no further, so a file
  // that another program keeps appending to, or that never ends, still has an end.
  virtual std::optional<std::uint64_t> SizeWhenOpened() const { return std::nullopt; }
};

}  // namespace sysinfo
