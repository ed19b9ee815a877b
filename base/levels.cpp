// The detail levels' texts.
#include "base/levels.h"

namespace sysinfo {

std::string DetailText(int level) {
  if (!IsDetailLevel(level)) return {};
  return "Detail Level: " + std::string(kLevelCaptions[level - 1]);
}

}  // namespace sysinfo
