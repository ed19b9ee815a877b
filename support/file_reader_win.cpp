// Regular disk files opened for shared reading and read in chunks.
#include "support/file_reader_win.h"

#include <windows.h>

#include <algorithm>

#include "base/regular_file_win.h"
#include "base/unicode_win.h"
#include "support/extended_path.h"

namespace sysinfo {

std::wstring ExtendedWidePath(const std::string& path) {
  return Utf8ToWide(ExtendedLengthPath(path));
}

UniqueHandle OpenRegularFile(const std::string& path) {
  return OpenRegularFile(ExtendedWidePath(path));
}

std::unique_ptr<FileByteReader> FileByteReader::Open(const std::string& path) {
  UniqueHandle file = OpenRegularFile(path);
  if (!file) return nullptr;
  return std::make_unique<FileByteReader>(std::move(file));
}

FileByteReader::FileByteReader(UniqueHandle file) : file_(std::move(file)) {
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file_.get(), &size)) size_ = static_cast<std::uint64_t>(size.QuadPart);
}

Result<std::size_t> FileByteReader::Read(std::span<std::uint8_t> into) {
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(into.size(), 1u << 30));
  DWORD got = 0;
  if (!ReadFile(file_.get(), into.data(), wanted, &got, nullptr)) {
    return {0, SystemError(GetLastError())};
  }
  return {got, {}};
}

}  // namespace sysinfo
