// The made-up fleet the loader's tests and benchmarks run on: every report one this program
// reads, machines told apart by their ids, and Software changing between scans as on real ones.
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "bench/fleet_generator.h"
#include "tests/support/report_schema_check.h"
#include "tools/report_check.h"
#include "tools/report_compare.h"

namespace sysinfo {
namespace {

using fleet::Json;

Json Seed(const char* name) {
  std::ifstream in(std::string(FLEET_SEED_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return Json::parse(text.str());
}

// Where an item's key fields are given twice, the loader would take two items for one.
void ExpectKeysUnique(const Json& report) {
  const std::map<std::string, std::vector<std::string>> keys{
      {"Software", {"DisplayName", "Publisher"}},
      {"Autostart Entries", {"Location", "Name"}},
      {"Services", {"Name"}}};
  for (const Json& category : report["categories"]) {
    const auto key = keys.find(category["name"]);
    if (key == keys.end()) continue;
    std::set<std::string> seen;
    for (const Json& item : category["items"]) {
      std::string values;
      for (const std::string& field : key->second) values += item.value(field, Json()).dump() + "|";
      EXPECT_TRUE(seen.insert(values).second) << category["name"] << " " << values;
    }
  }
}

TEST(FleetGenerator, GrowsReportsTheProgramReadsWithSoftwareChanging) {
  const fleet::FleetPlan plan{{Seed("advanced.json"), Seed("basic.json")}, 4, 7};
  ASSERT_EQ(fleet::SeedFault(plan.seeds[0]), "");
  std::set<std::string> ids;
  std::map<std::string, std::size_t> softwareChanges;
  for (int machine = 0; machine < 6; ++machine) {
    SCOPED_TRACE(machine);
    const std::vector<Json> scans = fleet::MachineScans(plan, machine);
    ASSERT_EQ(scans.size(), 4u);
    EXPECT_EQ(scans, fleet::MachineScans(plan, machine));
    ids.insert(scans[0]["machineId"].get<std::string>());
    std::optional<JsonDocument> previous;
    for (const Json& scan : scans) {
      const std::string text = scan.dump(2);
      EXPECT_EQ(testing::ReportSchemaErrors(text), std::vector<std::string>());
      EXPECT_EQ(scan["machineId"], scans[0]["machineId"]);
      ExpectKeysUnique(scan);
      JsonRead read = ReadReport(text, "scan.json");
      ASSERT_FALSE(read.Failed()) << read.error->message;
      if (previous) {
        for (const CategoryDifferences& category :
             CompareReports(*previous, read.value, {}).categories) {
          if (category.name != "Software") continue;
          softwareChanges["added"] += category.added.size();
          softwareChanges["removed"] += category.removed.size();
          softwareChanges["changed"] += category.changed.size();
        }
      }
      previous = std::move(read.value);
    }
  }
  EXPECT_EQ(ids.size(), 6u);
  for (const char* change : {"added", "removed", "changed"})
    EXPECT_GT(softwareChanges[change], 0u) << change;
}

// The times it makes are written as the seed's layout writes a file's time.
TEST(FleetGenerator, WritesTimesInTheSeedsLayout) {
  const std::pair<int, std::regex> layouts[] = {
      {1, std::regex(R"([A-Z][a-z]+day, [A-Z][a-z]+ \d{1,2}, \d{4} \d{1,2}:\d{2}:\d{2} [AP]M)")},
      {2, std::regex(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}[+-]\d{2}:\d{2})")}};
  for (const auto& [version, layout] : layouts) {
    Json seed = Seed("advanced.json");
    seed["schemaVersion"] = version;
    for (Json& category : seed["categories"]) {
      if (category["name"] == "Autostart Entries") category["items"] = Json::array();
    }
    std::size_t times = 0;
    for (const Json& scan : fleet::MachineScans({{seed}, 3, 7}, 0)) {
      EXPECT_EQ(scan["schemaVersion"], version);
      for (const Json& category : scan["categories"]) {
        if (category["name"] != "Autostart Entries") continue;
        for (const Json& item : category["items"]) {
          for (const char* field : {"ImageCreated", "ImageModified", "StateChanged"}) {
            if (!item.contains(field) || item[field].is_null()) continue;
            ++times;
            EXPECT_TRUE(std::regex_match(item[field].get<std::string>(), layout)) << item[field];
          }
        }
      }
    }
    EXPECT_GT(times, 0u) << version;
  }
}

}  // namespace
}  // namespace sysinfo
