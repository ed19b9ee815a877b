// make_fleet: the JSON reports of a fleet of made-up machines, grown from real reports, for the
// tests and benchmarks of what loads a fleet's reports.
//
//   make_fleet --seed FILE [--seed FILE...] --machines N --scans M --out DIR
//              [--random-seed S] [--damaged K] [--flat]
//
// Writes DIR/machine-NNNN/scan-K.json, machines and scans counted from 1 and NNNN as wide as N
// needs; with --flat, DIR/machine-NNNN-scan-K.json, all in one folder, as a folder of collected
// reports arrives. --damaged K cuts K of the files (drawn from the random seed) off half-way, as
// an interrupted copy leaves them. The same arguments always write the same bytes. Machine n
// grows from the seeds in turn; what a machine holds and how it changes between scans is in
// bench/fleet_generator.cpp.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/fleet_generator.h"

namespace {

using sysinfo::fleet::FleetPlan;
using sysinfo::fleet::Json;
namespace fs = std::filesystem;

struct Options {
  FleetPlan plan;
  int machines = 0;
  int damaged = 0;
  bool flat = false;
  fs::path out;
};

constexpr const char* kUsage =
    "usage: make_fleet --seed FILE [--seed FILE...] --machines N --scans M --out DIR\n"
    "                  [--random-seed S] [--damaged K] [--flat]\n";

// The seed's report; throws with the file's name when it is not one machines grow from.
Json ReadSeed(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file + ": cannot be opened");
  std::stringstream text;
  text << in.rdbuf();
  const Json seed = Json::parse(text.str(), nullptr, false);
  if (const std::string fault = sysinfo::fleet::SeedFault(seed); !fault.empty())
    throw std::runtime_error(file + ": " + fault);
  return seed;
}

// The options, or a reason to refuse them.
Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--flat") {
      options.flat = true;
      continue;
    }
    if (i + 1 >= argc) throw std::runtime_error(name + " without its value");
    const std::string value = argv[++i];
    if (name == "--seed")
      options.plan.seeds.push_back(ReadSeed(value));
    else if (name == "--machines")
      options.machines = std::stoi(value);
    else if (name == "--scans")
      options.plan.scans = std::stoi(value);
    else if (name == "--random-seed")
      options.plan.randomSeed = std::stoull(value);
    else if (name == "--damaged")
      options.damaged = std::stoi(value);
    else if (name == "--out")
      options.out = value;
    else
      throw std::runtime_error("unknown option " + name);
  }
  if (options.plan.seeds.empty() || options.machines < 1 || options.plan.scans < 1 ||
      options.out.empty() || options.damaged < 0) {
    throw std::runtime_error("a seed, at least one machine and one scan, and --out are needed");
  }
  return options;
}

// Which files (machine * scans + scan) are cut short.
std::set<long> DamagedFiles(const Options& options) {
  const long files = static_cast<long>(options.machines) * options.plan.scans;
  std::mt19937_64 draw(options.plan.randomSeed);  // its numbers are the same everywhere
  std::set<long> damaged;
  while (static_cast<long>(damaged.size()) < std::min<long>(options.damaged, files)) {
    damaged.insert(static_cast<long>(draw() % static_cast<unsigned long>(files)));
  }
  return damaged;
}

fs::path FileOf(const Options& options, int machine, int scan) {
  const int width = static_cast<int>(std::to_string(options.machines).size());
  std::string folder = std::to_string(machine + 1);
  folder = "machine-" + std::string(std::max(0, width - static_cast<int>(folder.size())), '0') +
           folder;
  const std::string file = "scan-" + std::to_string(scan + 1) + ".json";
  return options.flat ? options.out / (folder + "-" + file) : options.out / folder / file;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = Parse(argc, argv);
  } catch (const std::exception& refused) {
    std::fprintf(stderr, "make_fleet: %s\n%s", refused.what(), kUsage);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const std::set<long> damaged = DamagedFiles(options);
  std::uintmax_t bytes = 0;
  try {
    for (int machine = 0; machine < options.machines; ++machine) {
      const std::vector<Json> scans = sysinfo::fleet::MachineScans(options.plan, machine);
      for (int scan = 0; scan < options.plan.scans; ++scan) {
        std::string text = scans[static_cast<std::size_t>(scan)].dump(2) + "\n";
        if (damaged.contains(static_cast<long>(machine) * options.plan.scans + scan))
          text.resize(text.size() / 2);
        const fs::path file = FileOf(options, machine, scan);
        fs::create_directories(file.parent_path());
        std::ofstream stream(file, std::ios::binary);
        stream.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!stream) throw std::runtime_error(file.string() + ": cannot be written");
        bytes += text.size();
      }
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "make_fleet: %s\n", failure.what());
    return 1;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%d machines x %d scans: %ju bytes in %.2f s (%zu damaged)\n", options.machines,
              options.plan.scans, bytes, took.count(), damaged.size());
  return 0;
}
