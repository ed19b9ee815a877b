// A file's version resource through the version API (cFixedFileInfo).
#include "support/file_version_win.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/system_library_win.h"
#include "base/text.h"
#include "base/unicode_win.h"
#include "support/extended_path.h"
#include "support/file_reader_win.h"

namespace sysinfo {

const VersionApi& VersionDll() {
  static const SystemLibrary version(L"version.dll");
  static const VersionApi api{version.Find("GetFileVersionInfoSizeW"),
                              version.Find("GetFileVersionInfoW"), version.Find("VerQueryValueW")};
  return api;
}

namespace {

// The bytes of one value of a loaded resource, never past the resource's end whatever length
// the resource states; empty when the value is missing or lies outside the resource.
std::span<const std::uint8_t> QueryValue(const std::vector<std::uint8_t>& resource,
                                         const std::wstring& subBlock) {
  void* value = nullptr;
  UINT length = 0;
  if (!VersionDll().query(resource.data(), subBlock.c_str(), &value, &length)) return {};
  return BytesInside(resource, value, length);
}

// A string value up to its first NUL or the resource's end; empty text when it is missing.
std::string QueryString(const std::vector<std::uint8_t>& resource, const std::string& subBlock) {
  void* value = nullptr;
  UINT length = 0;  // in characters for string values
  if (!VersionDll().query(resource.data(), Utf8ToWide(subBlock).c_str(), &value, &length))
    return {};
  return WideToUtf8(Utf16Text(BytesInside(resource, value, std::size_t{length} * sizeof(wchar_t))));
}

}  // namespace

void cFixedFileInfo::FullPathName(const std::string& fileName) {
  // A full path is kept as given: Win32's normalising would drop a trailing dot or space from
  // the name and so load another file. Only a relative name is completed from the current folder.
  if (IsFullPath(fileName)) {
    fullPathName_ = fileName;
    Load();
    return;
  }
  const std::wstring given = Utf8ToWide(fileName);
  std::vector<wchar_t> full(MAX_PATH);
  DWORD length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                  nullptr);
  if (length >= full.size()) {  // a longer path: the call gave the size it needs
    full.resize(length);
    length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return;
  fullPathName_ = WideToUtf8(std::wstring_view(full.data(), length));
  Load();
}

void cFixedFileInfo::Load() {
  const VersionApi& version = VersionDll();
  if (!version.getSize || !version.get || !version.query) return;
  const std::wstring path = ExtendedWidePath(fullPathName_);
  DWORD ignored = 0;
  const DWORD size = version.getSize(path.c_str(), &ignored);
  if (size == 0) return;
  std::vector<std::uint8_t> resource(size + 1);
  if (!version.get(path.c_str(), 0, size, resource.data())) return;

  const auto translation = FirstTranslation(QueryValue(resource, L"\\VarFileInfo\\Translation"));
  if (!translation) return;
  strings_ = ReadVersionStrings(*translation, [&resource](const std::string& subBlock) {
    return QueryString(resource, subBlock);
  });
}

}  // namespace sysinfo
