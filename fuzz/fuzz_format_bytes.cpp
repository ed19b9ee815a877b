// FormatBytes takes WMI and registry text it does not control: any bytes must give text back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const sysinfo::NumberFormat formats[] = {{".", ","}, {",", "."}, {",", "\xC2\xA0"}, {".", ""}};
  for (const auto& format : formats) {
    const std::string withUnits = sysinfo::FormatBytes(text, true, format);
    (void)sysinfo::FormatBytes(text, false, format);
    // A value that was formatted always ends in its unit; one that was not is returned as given.
    if (withUnits != text && !withUnits.ends_with("Bytes") && !withUnits.ends_with("B") &&
        withUnits.front() != '-') {
      __builtin_trap();
    }
  }
  return 0;
}
