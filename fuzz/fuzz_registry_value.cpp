// Registry value conversion over any type and bytes, and UTF-16 names round-tripped exactly.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/wtf8.h"
#include "support/registry.h"
#include "tests/fakes/fake_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const sysinfo::RawRegistryValue raw{static_cast<std::uint32_t>(data[0] % 12),
                                      std::vector<std::uint8_t>(data + 1, data + size)};
  sysinfo::testing::FakeRegistry keys;  // empty; %SystemRoot% expands to a longer path
  if (auto value = sysinfo::ConvertRegistryValue(raw, keys)) {
    (void)sysinfo::RegistryValueText(*value);
  }
  const std::string text = sysinfo::RegistryValueText(sysinfo::ConvertQueriedValue(raw));
  if (raw.type == sysinfo::kRegBinary &&
      text.size() != (raw.data.empty() ? 0 : 3 * raw.data.size() - 1)) {
    __builtin_trap();
  }
  const std::string path(reinterpret_cast<const char*>(data), size);
  (void)sysinfo::BuildKeyPath(path, path, path);
  (void)sysinfo::GetHKeyFromName(path);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  if (sysinfo::Wtf8ToUtf16(sysinfo::Utf16ToWtf8(units)) != units) __builtin_trap();
  (void)sysinfo::Wtf8ToUtf16(path);
  (void)sysinfo::Wtf8ToUtf8(path);
  return 0;
}
