// The three detail levels: Basic, Moderate and Advanced.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace sysinfo {

// How much a report shows. None is no level chosen (no level button selected): a category that
// needs a level then writes an empty block.
enum class DetailLevel { None = 0, Basic = 1, Moderate = 2, Advanced = 3 };

// The three levels in order, for whatever is done at each.
inline constexpr std::array<DetailLevel, 3> kDetailLevels{DetailLevel::Basic, DetailLevel::Moderate,
                                                          DetailLevel::Advanced};

inline constexpr bool IsDetailLevel(DetailLevel level) { return level != DetailLevel::None; }

// 1 to 3, the level's number in the JSON report; 0 for None.
inline constexpr int LevelNumber(DetailLevel level) { return static_cast<int>(level); }
// The level numbered 1 to 3; nothing for any other number.
std::optional<DetailLevel> LevelFromNumber(long long number);

// "Basic", "Moderate", "Advanced": the level buttons' captions, also the JSON report's level
// names; empty text for None.
std::string_view LevelCaption(DetailLevel level);

// The level by its name on the command line, the caption in small letters ("advanced"); nothing
// for other text.
std::optional<DetailLevel> LevelNamed(std::string_view name);

// "Detail Level: Moderate"; empty for None.
std::string DetailText(DetailLevel level);

}  // namespace sysinfo
