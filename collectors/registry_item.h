// Registry values as the JSON report records them.
#pragma once

#include <variant>

#include "collectors/wmi.h"
#include "support/registry.h"

namespace sysinfo {

// A registry value as the JSON report holds it: text as text, a DWORD as a number, a missing
// value as null, and bytes as the hexadecimal text the report prints.
inline SourceValue RecordedRegistryValue(const RegistryValue& value) {
  if (std::holds_alternative<std::monostate>(value)) return Null{};
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::int64_t{*number};
  return RegistryValueText(value);
}

}  // namespace sysinfo
