// The three detail levels: Basic, Moderate and Advanced.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace sysinfo {

// Detail levels: 1 Basic, 2 Moderate, 3 Advanced.
inline constexpr int kBasic = 1;
inline constexpr int kModerate = 2;
inline constexpr int kAdvanced = 3;
inline constexpr bool IsDetailLevel(int level) { return level >= kBasic && level <= kAdvanced; }

// The captions of the detail-level buttons, for levels 1 to 3.
inline constexpr std::array<std::string_view, 3> kLevelCaptions{"Basic", "Moderate", "Advanced"};

// "Detail Level: Moderate"; empty for a level outside 1 to 3.
std::string DetailText(int level);

}  // namespace sysinfo
