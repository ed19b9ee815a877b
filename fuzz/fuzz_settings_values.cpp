// settings.ini text of any content: ticks read as ticked, unticked or absent, a valid level.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto tick = sysinfo::ParseBoolean(text);
  if (tick && sysinfo::ParseBoolean(sysinfo::BooleanText(*tick)) != tick) __builtin_trap();
  if (const auto number = sysinfo::ParseNumber(text); number && std::isnan(*number))
    __builtin_trap();
  for (int designIndex = 0; designIndex < sysinfo::kLevelButtonCount; ++designIndex) {
    const int index = sysinfo::RestoredLevelIndex(text, designIndex);
    if (index < 0 || index >= sysinfo::kLevelButtonCount) __builtin_trap();
  }
  return 0;
}
