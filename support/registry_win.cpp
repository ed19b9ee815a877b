// Registry access through advapi32: keys opened in either view, values read in full.
#include "support/registry_win.h"

#include <algorithm>

#include "base/handles_win.h"
#include "base/unicode_win.h"

namespace sysinfo {
namespace {

constexpr DWORD kFirstTrySize = 1024;
constexpr DWORD kFirstValueDataSize = 4096;
constexpr DWORD kMaxKeyNameLength = 256;  // 255 characters and the NUL
constexpr DWORD kMaxValueNameLength = 16384;  // 16,383 characters and the NUL
constexpr int kValueReadAttempts = 4;

HKEY RootHandle(RegistryRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

REGSAM ViewFlag(RegistryView view) {
  switch (view) {
    case RegistryView::Only64Bit: return KEY_WOW64_64KEY;
    case RegistryView::Only32Bit: return KEY_WOW64_32KEY;
    case RegistryView::Own: break;
  }
  return 0;
}

// Calls `read(buffer, &size)` with the buffer's own size and grows the buffer to the size the
// system asks for: a value rewritten larger between two calls costs another try, never a read
// past the buffer.
template <typename Read>
LSTATUS ReadGrowing(std::vector<std::uint8_t>& buffer, DWORD& size, Read read) {
  LSTATUS status = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < kValueReadAttempts && status == ERROR_MORE_DATA; ++attempt) {
    if (attempt > 0) buffer.resize(std::max<std::size_t>(size, buffer.size()));
    size = static_cast<DWORD>(buffer.size());
    status = read(buffer.data(), &size);
  }
  return status;
}

// A key or value that is not there is an answer, and so is a path no key can have (an empty
// name between two backslashes); anything else (access denied, a broken hive) is a failure with
// the platform's reason.
Status FailureOf(LSTATUS status) {
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND || status == ERROR_BAD_PATHNAME) {
    return std::nullopt;
  }
  return SystemError(static_cast<DWORD>(status));
}

// Nothing held when the key cannot be opened, with the reason unless it is not there.
Result<UniqueKey> OpenKey(RegistryRoot root, std::string_view path, RegistryView view) {
  if (root == RegistryRoot::None) return {};
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(RootHandle(root), Utf8ToWide(path).c_str(), 0,
                                       KEY_READ | ViewFlag(view), &key);
  if (status != ERROR_SUCCESS) return {UniqueKey(), FailureOf(status)};
  return {UniqueKey(key), {}};
}

}  // namespace

Result<std::optional<RawRegistryValue>> QueryRegistryValue(HKEY key, std::wstring_view valueName) {
  const std::wstring name(valueName);
  RawRegistryValue value;
  value.data.resize(kFirstTrySize);
  DWORD type = 0;
  DWORD size = 0;
  const LSTATUS status = ReadGrowing(value.data, size, [&](BYTE* data, DWORD* length) {
    return RegQueryValueExW(key, name.c_str(), nullptr, &type, data, length);
  });
  if (status != ERROR_SUCCESS) return {std::nullopt, FailureOf(status)};
  value.type = type;
  value.data.resize(size);
  return {std::move(value), {}};
}

Result<std::optional<RawRegistryValue>> WindowsRegistry::QueryValue(RegistryRoot root,
                                                                    std::string_view path,
                                                                    std::string_view name,
                                                                    RegistryView view) {
  const Result<UniqueKey> key = OpenKey(root, path, view);
  if (!key.value) return {std::nullopt, key.error};
  return QueryRegistryValue(key.value.get(), Utf8ToWide(name));
}

Result<std::vector<std::string>> WindowsRegistry::SubkeyNames(RegistryRoot root,
                                                              std::string_view path,
                                                              RegistryView view) {
  Result<std::vector<std::string>> names;
  const Result<UniqueKey> key = OpenKey(root, path, view);
  if (!key.value) {
    names.error = key.error;
    return names;
  }
  std::wstring name(kMaxKeyNameLength, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxKeyNameLength;
    // Any failure ends the list, not only "no more items": a key that changes or cannot be read
    // mid-way must not turn the loop into an endless one. Only "no more items" is its end.
    const LSTATUS status = RegEnumKeyExW(key.value.get(), index, name.data(), &length, nullptr,
                                         nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
      if (status != ERROR_NO_MORE_ITEMS) names.error = SystemError(static_cast<DWORD>(status));
      break;
    }
    names.value.push_back(WideToUtf8(std::wstring_view(name.data(), length)));
  }
  return names;
}

Result<std::vector<NamedRegistryValue>> WindowsRegistry::Values(RegistryRoot root,
                                                                std::string_view path,
                                                                RegistryView view) {
  Result<std::vector<NamedRegistryValue>> values;
  const Result<UniqueKey> key = OpenKey(root, path, view);
  if (!key.value) {
    values.error = key.error;
    return values;
  }
  std::wstring name(kMaxValueNameLength, L'\0');
  std::vector<std::uint8_t> data(kFirstValueDataSize);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = 0;
    DWORD type = 0;
    DWORD size = 0;
    // The name's length is given anew on each try: a failed try may have changed it.
    const LSTATUS status = ReadGrowing(data, size, [&](BYTE* bytes, DWORD* length) {
      nameLength = kMaxValueNameLength;
      return RegEnumValueW(key.value.get(), index, name.data(), &nameLength, nullptr, &type, bytes,
                           length);
    });
    // As with subkeys, any failure ends the list; only "no more items" is its end.
    if (status != ERROR_SUCCESS) {
      if (status != ERROR_NO_MORE_ITEMS) values.error = SystemError(static_cast<DWORD>(status));
      break;
    }
    values.value.emplace_back(WideToUtf8(std::wstring_view(name.data(), nameLength)),
                              RawRegistryValue{type, {data.begin(), data.begin() + size}});
  }
  return values;
}

std::string WindowsRegistry::ExpandEnvironment(std::string_view text) {
  const std::wstring source = Utf8ToWide(text);
  // The expanded text can be longer than the stored one: ask for the size first.
  const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
  if (needed == 0) return std::string(text);
  std::wstring expanded(needed, L'\0');
  const DWORD written = ExpandEnvironmentStringsW(source.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return std::string(text);
  expanded.resize(written - 1);
  return WideToUtf8(expanded);
}

}  // namespace sysinfo
