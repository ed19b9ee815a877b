// Check list properties read from any store contents, then written and read back unchanged.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ui/check_list_properties.h"

namespace {

using sysinfo::ui::PropertyBag;

constexpr const char* kKeys[] = {"ItemHeight", "Alignment", "Selected", "AppearanceBorder",
                                 "AppearanceCheck", "ForeColor", "Enabled", "Font", "BackColor",
                                 "BorderStyle", "List", "MultiSelect", "Other"};

// Turns the input into a sequence of (key, value) writes of every value kind.
PropertyBag BagFrom(const std::uint8_t* data, std::size_t size) {
  PropertyBag bag;
  std::size_t at = 0;
  while (at + 10 <= size) {
    const char* key = kKeys[data[at] % (sizeof kKeys / sizeof *kKeys)];
    const std::uint8_t kind = data[at + 1];
    std::int64_t bits = 0;
    std::memcpy(&bits, data + at + 2, sizeof bits);
    at += 10;
    PropertyBag::Value value;
    switch (kind % 5) {
      case 0: value = bits; break;
      case 1: {
        double real = 0;
        std::memcpy(&real, &bits, sizeof real);
        value = real;
        break;
      }
      case 2: value = (bits & 1) != 0; break;
      case 3: {
        const std::size_t length = std::min<std::size_t>(static_cast<std::uint64_t>(bits) % 64, size - at);
        value = std::string(reinterpret_cast<const char*>(data + at), length);
        at += length;
        break;
      }
      default: value = sysinfo::ui::FontSpec{"Font" + std::to_string(bits % 7), 1.0 + bits % 30, 400};
    }
    bag.Write(key, value, std::string("\x01never"));
  }
  return bag;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const sysinfo::ui::FontSpec ambient{"Verdana", 8.25, 400};
  const auto first = sysinfo::ui::ReadCheckListProperties(BagFrom(data, size), ambient);
  PropertyBag written;
  sysinfo::ui::WriteCheckListProperties(written, first, ambient);
  const auto second = sysinfo::ui::ReadCheckListProperties(written, ambient);
  const bool sameHeight = first.itemHeight == second.itemHeight ||
                          (std::isnan(first.itemHeight) && std::isnan(second.itemHeight));
  if (!sameHeight || first.list != second.list || first.multiSelect != second.multiSelect ||
      first.selected != second.selected || !(first.font == second.font || std::isnan(first.font.points))) {
    __builtin_trap();
  }
  return 0;
}
