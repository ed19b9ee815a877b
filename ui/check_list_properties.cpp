// The check list's properties: defaults, and their saving to and reading from a bag.
#include "ui/check_list_properties.h"

#include <limits>
#include <optional>
#include <utility>

namespace sysinfo::ui {
namespace {

std::int64_t Int(std::int64_t value) { return value; }

// A number as T; nothing for NaN or a value T cannot hold (a bag edited by hand may have any).
template <typename T, typename Held>
std::optional<T> Narrowed(Held held) {
  if constexpr (std::is_same_v<T, bool>) {
    return held != 0;
  } else if constexpr (std::is_floating_point_v<Held> && std::is_integral_v<T>) {
    if (!(held >= static_cast<Held>(std::numeric_limits<T>::min()) &&
          held <= static_cast<Held>(std::numeric_limits<T>::max()))) {
      return std::nullopt;
    }
  } else if constexpr (std::is_integral_v<Held> && !std::is_same_v<Held, bool> &&
                       std::is_integral_v<T>) {
    if (!std::in_range<T>(held)) return std::nullopt;
  }
  return static_cast<T>(held);
}

template <typename T>
T As(const PropertyBag::Value& value) {
  if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, FontSpec>) {
    if (const T* held = std::get_if<T>(&value)) return *held;
    return T{};
  } else {
    // Numbers and flags convert into each other, as a designer's bag lets them.
    return std::visit(
        [](const auto& held) -> T {
          using Held = std::decay_t<decltype(held)>;
          if constexpr (std::is_arithmetic_v<Held>) return Narrowed<T>(held).value_or(T{});
          return T{};
        },
        value);
  }
}

}  // namespace

void PropertyBag::Write(std::string_view key, const Value& value, const Value& writeDefault) {
  if (value == writeDefault) return;
  entries_.emplace_back(std::string(key), value);
}

PropertyBag::Value PropertyBag::Read(std::string_view key, const Value& readDefault) const {
  for (const auto& [name, value] : entries_) {
    if (name == key) return value;
  }
  return readDefault;
}

CheckListProperties NewCheckListProperties(const FontSpec& ambientFont) {
  CheckListProperties properties;
  properties.font = ambientFont;
  properties.storedFont = ambientFont;
  return properties;
}

CheckListProperties ReadCheckListProperties(const PropertyBag& bag, const FontSpec& ambientFont) {
  CheckListProperties p;
  p.itemHeight = As<double>(bag.Read("ItemHeight", 275.0));
  p.alignment = As<int>(bag.Read("Alignment", Int(1)));
  p.selected = As<int>(bag.Read("Selected", Int(0)));
  p.appearanceBorder = As<int>(bag.Read("AppearanceBorder", Int(1)));
  p.appearanceCheck = As<int>(bag.Read("AppearanceCheck", Int(1)));
  p.foreColor = As<OleColor>(bag.Read("ForeColor", Int(kButtonText)));
  p.enabled = As<bool>(bag.Read("Enabled", true));
  p.font = As<FontSpec>(bag.Read("Font", ambientFont));
  p.backColor = As<OleColor>(bag.Read("BackColor", Int(kButtonFace)));
  p.borderStyle = As<int>(bag.Read("BorderStyle", Int(1)));
  p.list = As<std::string>(bag.Read("List", std::string()));
  p.multiSelect = As<bool>(bag.Read("MultiSelect", Int(1)));
  p.storedForeColor = As<OleColor>(bag.Read("ForeColor", Int(kButtonFace)));
  p.storedEnabled = As<bool>(bag.Read("Enabled", true));
  p.storedFont = As<FontSpec>(bag.Read("Font", ambientFont));
  p.storedAlignment = As<int>(bag.Read("Alignment", Int(0)));
  p.storedSelected = As<int>(bag.Read("Selected", Int(1)));
  p.storedAppearanceCheck = As<int>(bag.Read("AppearanceCheck", Int(1)));
  p.storedList = As<std::string>(bag.Read("List", std::string()));
  return p;
}

void WriteCheckListProperties(PropertyBag& bag, const CheckListProperties& p,
                              const FontSpec& ambientFont) {
  bag.Write("ItemHeight", p.itemHeight, 275.0);
  bag.Write("Alignment", Int(p.alignment), Int(1));
  bag.Write("Selected", Int(p.selected), Int(0));
  bag.Write("AppearanceBorder", Int(p.appearanceBorder), Int(1));
  bag.Write("AppearanceCheck", Int(p.appearanceCheck), Int(1));
  bag.Write("ForeColor", Int(p.foreColor), Int(0));
  bag.Write("Enabled", p.enabled, true);
  bag.Write("Font", p.font, ambientFont);
  bag.Write("BackColor", Int(p.backColor), Int(kButtonFace));
  bag.Write("BorderStyle", Int(p.borderStyle), Int(1));
  bag.Write("List", p.list, std::string());
  bag.Write("MultiSelect", Int(p.multiSelect ? 1 : 0), Int(1));
  bag.Write("ForeColor", Int(p.storedForeColor), Int(kButtonFace));
  bag.Write("Enabled", p.storedEnabled, true);
  bag.Write("Font", p.storedFont, ambientFont);
  bag.Write("Alignment", Int(p.storedAlignment), Int(0));
  bag.Write("Selected", Int(p.storedSelected), Int(1));
  bag.Write("AppearanceCheck", Int(p.storedAppearanceCheck), Int(1));
  bag.Write("List", p.storedList, std::string());
}

}  // namespace sysinfo::ui
