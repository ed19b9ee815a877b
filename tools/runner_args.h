#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/scan.h"

namespace sysinfo {

struct RunnerOptions {
  bool help = false;
  std::string outPath;
  int level = 1;
  std::array<bool, kCategoryCount> ticked{};
  std::string error;  // why the command line was refused; empty when it was accepted
};

// sysinfo-report --out FILE [--level basic|moderate|advanced] (--all | --category NAME ...)
RunnerOptions ParseRunnerArgs(const std::vector<std::string>& args);

std::string RunnerUsage();

}  // namespace sysinfo
