// JSON files opened only as regular disk files, read up to a bound and handed to the reader.
#include "base/json_file_win.h"

#include <windows.h>

#include <algorithm>
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

JsonRead ReadJsonFile(const std::string& path, const JsonLimits& limits, const JsonCheck& check) {
  const UniqueHandle file = OpenRegularFile(Utf8ToWide(path));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) {
    const DWORD error = GetLastError();
    return {std::nullopt,
            RefusalLine(path, error == ERROR_NOT_SUPPORTED
                                  ? "not a regular disk file (a device, a pipe or a console)"
                                  : SystemErrorText(error))};
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > limits.maxBytes) {
    return {std::nullopt, RefusalLine(path, "larger than " + std::to_string(limits.maxBytes) +
                                                " bytes, more than such a file holds")};
  }
  std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(text.size() - got, 1u << 30));
    if (!ReadFile(file.get(), text.data() + got, wanted, &read, nullptr)) {
      return {std::nullopt, RefusalLine(path, SystemErrorText(GetLastError()))};
    }
    if (read == 0) break;  // cut shorter since it was opened
    got += read;
  }
  text.resize(got);
  return ReadJsonText(text, path, limits, check);
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
