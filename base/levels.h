// The three detail levels: Basic, Moderate and Advanced.
#pragma once

namespace sysinfo {

// Detail levels: 1 Basic, 2 Moderate, 3 Advanced.
inline constexpr int kBasic = 1;
inline constexpr int kModerate = 2;
inline constexpr int kAdvanced = 3;
inline constexpr bool IsDetailLevel(int level) { return level >= kBasic && level <= kAdvanced; }

}  // namespace sysinfo
