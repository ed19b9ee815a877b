// Colours and fonts as the controls' properties hold them, apart from any platform.
#pragma once

#include <cstdint>
#include <string>

namespace sysinfo::ui {

// OLE colours: a value with the top bit set names a system colour.
using OleColor = std::uint32_t;
inline constexpr OleColor kSystemColor = 0x80000000;
inline constexpr OleColor kWindowBackground = kSystemColor | 5;
inline constexpr OleColor kWindowText = kSystemColor | 8;
inline constexpr OleColor kHighlight = kSystemColor | 13;
inline constexpr OleColor kHighlightText = kSystemColor | 14;
inline constexpr OleColor kButtonFace = kSystemColor | 15;
inline constexpr OleColor kButtonText = kSystemColor | 18;

struct FontSpec {
  std::string name;
  double points = 8.25;
  int weight = 400;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

}  // namespace sysinfo::ui
