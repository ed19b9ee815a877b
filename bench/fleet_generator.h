// A fleet of made-up machines grown from real reports, for the tests and benchmarks of what
// loads a fleet's reports: each machine's scans, oldest first, with the changes real machines go
// through between two scans.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sysinfo::fleet {

// Ordered, so every item keeps its fields in the order the real report writes them.
using Json = nlohmann::ordered_json;

struct FleetPlan {
  std::vector<Json> seeds;  // real reports (schemaVersion 1 or 2); machine n grows from n's turn
  int scans = 1;
  std::uint64_t randomSeed = 1;
};

// Nothing when `seed` is a report machines can be grown from; else why not.
std::string SeedFault(const Json& seed);

// The `plan.scans` reports of machine `machine` (numbered from 0), oldest first. The same plan
// and number always give the same documents, however many machines the fleet has.
std::vector<Json> MachineScans(const FleetPlan& plan, int machine);

}  // namespace sysinfo::fleet
