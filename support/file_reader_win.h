// Regular disk files opened by their extended-length name and read in chunks.
#pragma once

#include <memory>
#include <string>

#include "base/handles_win.h"
#include "support/byte_reader.h"

namespace sysinfo {

// The path (UTF-8) as the wide, extended-length name every file call takes, so that the file
// opened is the one named, whatever its name or length (see ExtendedLengthPath).
std::wstring ExtendedWidePath(const std::string& path);

// The file opened by its extended-length name as base/regular_file_win.h's OpenRegularFile opens
// it: shared, and regular disk files only (nothing, with GetLastError saying why, otherwise).
UniqueHandle OpenRegularFile(const std::string& path);

// A file read from start to the size it had when opened.
class FileByteReader final : public ByteReader {
 public:
  // Nothing when the file cannot be opened as OpenRegularFile says; GetLastError says why.
  static std::unique_ptr<FileByteReader> Open(const std::string& path);
  explicit FileByteReader(UniqueHandle file);
  Result<std::size_t> Read(std::span<std::uint8_t> into) override;
  std::optional<std::uint64_t> SizeWhenOpened() const override { return size_; }

 private:
  UniqueHandle file_;
  std::optional<std::uint64_t> size_;
};

}  // namespace sysinfo
