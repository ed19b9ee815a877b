// Expected report lines tagged with the first level that prints them.
#pragma once

#include <string>
#include <vector>

namespace sysinfo::testing {

// One expected report line and the first detail level that prints it: a block is written once
// and each level's block is read off it, so a line that moves level or order fails every level.
struct LevelLine {
  int from;
  std::string text;
};

inline std::vector<std::string> LinesAt(int level, const std::vector<LevelLine>& block) {
  std::vector<std::string> lines;
  for (const auto& line : block) {
    if (line.from <= level) lines.push_back(line.text);
  }
  return lines;
}

}  // namespace sysinfo::testing
