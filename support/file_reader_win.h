#pragma once

#include <memory>
#include <string>

#include "app/handles_win.h"
#include "support/byte_reader.h"

namespace sysinfo {

// A file opened for reading while other programs keep it open, write to it or delete it.
class FileByteReader final : public ByteReader {
 public:
  // Nothing when the file cannot be opened (missing, locked, a folder); GetLastError says why.
  static std::unique_ptr<FileByteReader> Open(const std::string& path);
  explicit FileByteReader(UniqueHandle file) : file_(std::move(file)) {}
  std::optional<std::size_t> Read(std::span<std::uint8_t> into) override;

 private:
  UniqueHandle file_;
};

}  // namespace sysinfo
