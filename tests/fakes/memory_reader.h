// A ByteReader over memory that reads in small pieces and fails on request.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "support/byte_reader.h"

namespace sysinfo::testing {

inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Hands out bytes in reads no larger than `maxRead`, however large the buffer, and can be told
// to fail at a given read or to state a size when opened other than the data's (as a file that
// grew or shrank since).
class MemoryReader final : public ByteReader {
 public:
  MemoryReader(std::span<const std::uint8_t> data, std::size_t maxRead, int failAtRead = -1,
               std::optional<std::uint64_t> sizeWhenOpened = std::nullopt)
      : data_(data), maxRead_(maxRead), failAtRead_(failAtRead), sizeWhenOpened_(sizeWhenOpened) {}
  std::optional<std::uint64_t> SizeWhenOpened() const override { return sizeWhenOpened_; }
  Result<std::size_t> Read(std::span<std::uint8_t> into) override {
    if (reads_++ == failAtRead_) return {0, Failure("The device is not ready.")};
    const std::size_t count = std::min({into.size(), maxRead_, data_.size() - position_});
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), count, into.begin());
    position_ += count;
    return {count, {}};
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t maxRead_;
  int failAtRead_;
  std::optional<std::uint64_t> sizeWhenOpened_;
  int reads_ = 0;
  std::size_t position_ = 0;
};

}  // namespace sysinfo::testing
