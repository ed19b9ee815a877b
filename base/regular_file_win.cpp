// Files opened only as regular disk files, and whether two names name one file.
#include "base/regular_file_win.h"

#include <windows.h>

#include <optional>
#include <tuple>

#include "base/unicode_win.h"

namespace sysinfo {
namespace {

// The file's volume and index, which no other file shares; nothing for what has none.
std::optional<std::tuple<DWORD, DWORD, DWORD>> FileIdentity(const std::string& path) {
  const UniqueHandle file = OpenRegularFile(Utf8ToWide(path));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return std::tuple(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
}

std::wstring FullName(const std::string& path) {
  const std::wstring name = Utf8ToWide(path);
  std::wstring full(MAX_PATH, L'\0');
  DWORD size = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                nullptr);
  if (size >= full.size()) {
    full.resize(size);
    size = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(size < full.size() ? size : 0);
  return full;
}

}  // namespace

UniqueHandle OpenRegularFile(const std::wstring& name) {
  // Full sharing: a file another program holds open for writing or deleting is still read.
  // Without backup semantics a folder does not open at all.
  UniqueHandle file = AdoptHandle(CreateFileW(
      name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file && GetFileType(file.get()) != FILE_TYPE_DISK) {
    file.reset();
    SetLastError(ERROR_NOT_SUPPORTED);
  }
  return file;
}

bool SameFile(const std::string& a, const std::string& b) {
  const std::wstring fullA = FullName(a), fullB = FullName(b);
  if (!fullA.empty() &&
      CompareStringOrdinal(fullA.c_str(), -1, fullB.c_str(), -1, TRUE) == CSTR_EQUAL) {
    return true;
  }
  const auto identity = FileIdentity(a);
  return identity && identity == FileIdentity(b);
}

}  // namespace sysinfo
