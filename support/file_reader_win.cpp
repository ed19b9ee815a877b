#include "support/file_reader_win.h"

#include <windows.h>

#include <algorithm>

#include "app/unicode_win.h"

namespace sysinfo {

std::unique_ptr<FileByteReader> FileByteReader::Open(const std::string& path) {
  // Full sharing: a file another program holds open for writing or deleting is still read.
  UniqueHandle file = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return nullptr;
  return std::make_unique<FileByteReader>(std::move(file));
}

std::optional<std::size_t> FileByteReader::Read(std::span<std::uint8_t> into) {
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(into.size(), 1u << 30));
  DWORD got = 0;
  if (!ReadFile(file_.get(), into.data(), wanted, &got, nullptr)) return std::nullopt;
  return got;
}

}  // namespace sysinfo
