// The fleet database: taking a report in against only reading and checking it, the database's
// size per machine, and each question's time on fleets of growing size (default 1,000 and 10,000
// machines of 5 scans each), to show how they grow.
//
//   fleet_bench SCRATCH-FOLDER [MACHINES...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/fleet_generator.h"
#include "tools/fleet/fleet_questions.h"
#include "tools/fleet/fleet_rows.h"
#include "tools/fleet/fleet_store.h"
#include "tools/report_check.h"

namespace sysinfo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kScans = 5;
constexpr int kQuestionRuns = 5;  // the median of several, to keep other work on the machine out

double Seconds(Clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

fleet::Json Seed(const char* name) {
  std::ifstream file(fs::path(FLEET_SEED_DIR) / name);
  return fleet::Json::parse(file);
}

struct Fleet {
  std::size_t reports = 0;
  double readSeconds = 0, ingestSeconds = 0;
  std::uintmax_t bytes = 0;
};

// Grows `machines` machines, each report read and checked alone and then taken in whole.
Fleet Build(FleetStore& store, int machines) {
  const fleet::FleetPlan plan{{Seed("advanced.json"), Seed("basic.json")}, kScans, 3};
  Fleet fleet;
  for (int machine = 0; machine < machines; ++machine) {
    for (const fleet::Json& scan : fleet::MachineScans(plan, machine)) {
      const std::string text = scan.dump(2);
      auto start = Clock::now();
      const bool read = !ReadReport(text, "r.json").Failed();
      fleet.readSeconds += Seconds(Clock::now() - start);
      start = Clock::now();
      const JsonRead report = ReadReport(text, "r.json");
      const Result<ScanRows> rows = RowsOfReport(report.value, "r.json");
      const bool taken = read && !rows.Failed() && !store.Take(rows.value).Failed();
      fleet.ingestSeconds += Seconds(Clock::now() - start);
      if (!taken) std::fprintf(stderr, "fleet_bench: a report was not taken\n");
      ++fleet.reports;
    }
  }
  return fleet;
}

// The arguments each question is asked with: taken from the fleet, as an administrator would.
Parameters ArgumentsFor(const Question& question, FleetStore& store) {
  const auto first = [&](const char* sql) {
    const auto answer = store.Ask(sql, {});
    return answer.value.rows.empty() ? std::string() : answer.value.rows[0][0].value_or("");
  };
  const std::string program = first(
      "SELECT fields->>'DisplayName' FROM item_version WHERE category = 'Software' "
      "GROUP BY 1 ORDER BY COUNT(DISTINCT fields_hash) DESC, 1 LIMIT 1");
  const std::string machine = first("SELECT machine_id FROM item_version WHERE gone_at IS NOT NULL "
                                    "GROUP BY 1 ORDER BY COUNT(*) DESC, 1 LIMIT 1");
  const auto quoted = [](std::string text) {
    for (std::size_t at = 0; (at = text.find('\'', at)) != std::string::npos; at += 2) {
      text.insert(at, 1, '\'');
    }
    return "'" + text + "'";
  };
  const std::string newest =
      first(("SELECT fields->>'DisplayVersion' FROM item_version "
             "WHERE fields->>'DisplayName' = " +
             quoted(program) + " ORDER BY version_key(fields->>'DisplayVersion') DESC")
                .c_str());
  const std::string firstScan =
      first(("SELECT MIN(scan_time) FROM scan WHERE machine_id = " + quoted(machine)).c_str());
  const Parameters all{{":program", program},
                       {":version", newest},
                       {":machine", machine},
                       {":since", firstScan},
                       {":until", "9999"}};
  Parameters parameters;
  for (std::string_view name : question.parameters) {
    for (const auto& given : all) {
      if (given.first == name) parameters.push_back(given);
    }
  }
  return parameters;
}

double QuestionSeconds(FleetStore& store, const Question& question, std::size_t& rows) {
  const Parameters parameters = ArgumentsFor(question, store);
  std::vector<double> runs;
  for (int run = 0; run < kQuestionRuns; ++run) {
    const auto start = Clock::now();
    rows = store.Ask(question.sql, parameters).value.rows.size();
    runs.push_back(Seconds(Clock::now() - start));
  }
  std::sort(runs.begin(), runs.end());
  return runs[runs.size() / 2];
}

}  // namespace
}  // namespace sysinfo

int main(int argc, char** argv) {
  using namespace sysinfo;
  if (argc < 2) {
    std::fprintf(stderr, "usage: fleet_bench SCRATCH-FOLDER [MACHINES...]\n");
    return 2;
  }
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};

  std::vector<std::vector<double>> times;  // per fleet, per question
  for (const int machines : sizes) {
    const fs::path file = fs::path(argv[1]) / ("fleet-" + std::to_string(machines) + ".sqlite");
    fs::remove(file);
    Result<FleetStore> store = FleetStore::Open(file.string(), false);
    if (store.Failed()) return std::fprintf(stderr, "%s\n", store.error->message.c_str()), 1;
    Fleet fleet = Build(store.value, machines);
    store.value = FleetStore();  // closed: the log folded back into the file
    fleet.bytes = fs::file_size(file);
    std::printf("%d machines x %d scans: %zu reports\n", machines, kScans, fleet.reports);
    std::printf("  read and check alone %8.3f ms a report\n",
                1000 * fleet.readSeconds / static_cast<double>(fleet.reports));
    std::printf("  taken in whole       %8.3f ms a report (%.1f x reading and checking)\n",
                1000 * fleet.ingestSeconds / static_cast<double>(fleet.reports),
                fleet.ingestSeconds / fleet.readSeconds);
    std::printf("  database             %8.1f KiB a machine (%.1f MiB in all)\n",
                static_cast<double>(fleet.bytes) / 1024 / machines,
                static_cast<double>(fleet.bytes) / (1 << 20));
    Result<FleetStore> asked = FleetStore::Open(file.string(), true);
    times.emplace_back();
    for (const Question& question : FleetQuestions()) {
      std::size_t rows = 0;
      times.back().push_back(QuestionSeconds(asked.value, question, rows));
      std::printf("  %-20s %10.2f ms (%zu rows)\n", std::string(question.name).c_str(),
                  1000 * times.back().back(), rows);
    }
  }
  for (std::size_t i = 1; i < times.size(); ++i) {
    std::printf("growth from %d to %d machines (x%.0f):", sizes[i - 1], sizes[i],
                static_cast<double>(sizes[i]) / sizes[i - 1]);
    for (std::size_t q = 0; q < times[i].size(); ++q) {
      std::printf(" %s x%.1f", std::string(FleetQuestions()[q].name).c_str(),
                  times[i][q] / times[i - 1][q]);
    }
    std::printf("\n");
  }
  return 0;
}
