// The real registry, read-only, through the wide API.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "support/registry.h"

namespace sysinfo {

// The real registry through the wide API, read-only.
class WindowsRegistry final : public RegistryRoutines {
 public:
  Result<std::optional<RawRegistryValue>> QueryValue(RegistryRoot root, std::string_view path,
                                                     std::string_view name,
                                                     RegistryView view) override;
  Result<std::vector<std::string>> SubkeyNames(RegistryRoot root, std::string_view path,
                                               RegistryView view) override;
  Result<std::vector<NamedRegistryValue>> Values(RegistryRoot root, std::string_view path,
                                                 RegistryView view) override;
  std::string ExpandEnvironment(std::string_view text) override;
};

// Reads one value of an open key: a first try with 1,024 bytes, and when the value is larger a
// second with exactly the size the registry reported. Nothing when the value is not there; the
// reason when it cannot be read.
Result<std::optional<RawRegistryValue>> QueryRegistryValue(HKEY key, std::wstring_view valueName);

}  // namespace sysinfo
