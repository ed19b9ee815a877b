// The detail levels' numbers and texts.
#include "base/levels.h"

#include "base/text.h"

namespace sysinfo {

std::optional<DetailLevel> LevelFromNumber(long long number) {
  for (DetailLevel level : kDetailLevels) {
    if (LevelNumber(level) == number) return level;
  }
  return std::nullopt;
}

std::string_view LevelCaption(DetailLevel level) {
  switch (level) {
    case DetailLevel::Basic: return "Basic";
    case DetailLevel::Moderate: return "Moderate";
    case DetailLevel::Advanced: return "Advanced";
    case DetailLevel::None: break;
  }
  return {};
}

std::optional<DetailLevel> LevelNamed(std::string_view name) {
  for (DetailLevel level : kDetailLevels) {
    if (name == LowerCase(LevelCaption(level))) return level;
  }
  return std::nullopt;
}

std::string DetailText(DetailLevel level) {
  if (!IsDetailLevel(level)) return {};
  return "Detail Level: " + std::string(LevelCaption(level));
}

}  // namespace sysinfo
