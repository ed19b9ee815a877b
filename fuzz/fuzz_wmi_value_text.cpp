// The WMI value-to-text rules and the language lookup over values built from arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "collectors/os_language.h"
#include "collectors/wmi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::uint64_t bits = 0;
  std::memcpy(&bits, rest.data(), std::min(rest.size(), sizeof bits));
  double real = 0;
  std::memcpy(&real, &bits, sizeof real);
  sysinfo::SourceValue value;
  switch (data[0] % 7) {
    case 0: value = sysinfo::Unreadable{}; break;
    case 1: value = sysinfo::Null{}; break;
    case 2: value = rest; break;
    case 3: value = static_cast<std::int64_t>(bits); break;
    case 4: value = bits; break;
    case 5: value = (bits & 1) != 0; break;
    default: value = real; break;
  }
  const auto text = sysinfo::ValueText(value);
  if (text.has_value() == sysinfo::IsUnreadable(value)) __builtin_trap();
  if (text) (void)sysinfo::LanguageName(*text);
  (void)sysinfo::WholeNumber(value);
  return 0;
}
