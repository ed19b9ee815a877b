// Expected report lines tagged with the first level that prints them.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/levels.h"

namespace sysinfo::testing {

// One expected report line and the first detail level that prints it: a block is written once
// and each level's block is read off it, so a line that moves level or order fails every level.
struct LevelLine {
  int from;
  std::string text;
};

inline std::vector<std::string> LinesAt(DetailLevel level, const std::vector<LevelLine>& block) {
  std::vector<std::string> lines;
  for (const auto& line : block) {
    if (line.from <= LevelNumber(level)) lines.push_back(line.text);
  }
  return lines;
}

// The blocks of a file of expected lines in tests/host/data: "[Name]" starts a block, "LEVEL |
// TEXT" adds a line to it ("---" stands for the separator line), anything else is a comment.
inline std::map<std::string, std::vector<LevelLine>> ReadLevelBlocks(const std::string& fileName) {
  std::ifstream file(std::string(TEST_DATA_DIR) + "/" + fileName);
  std::map<std::string, std::vector<LevelLine>> blocks;
  std::vector<LevelLine>* block = nullptr;
  for (std::string line; std::getline(file, line);) {
    if (line.starts_with('[')) block = &blocks[line.substr(1, line.find(']') - 1)];
    if (!block || line.size() < 4 || line.substr(1, 3) != " | ") continue;
    const std::string text = line.substr(4);
    block->push_back({line[0] - '0', text == "---" ? std::string(SeparatorLine) : text});
  }
  return blocks;
}

}  // namespace sysinfo::testing
