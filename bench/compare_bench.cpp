// Comparing two JSON reports of 100,000 processes each against only reading and parsing them;
// one item of 100,000 and 200,000 fields compared, to show the time grows with the size.
#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "base/json_value.h"
#include "base/program.h"
#include "scan/scan.h"
#include "tools/report_check.h"
#include "tools/report_compare.h"

namespace sysinfo {
namespace {

using Json = nlohmann::ordered_json;
constexpr int kRepeats = 3;  // the best of several runs, to keep other work on the machine out

// A report whose Processes category holds `count` processes as the runner writes them. Every
// hundredth process of the old report is gone from the new one, every hundredth has a new id, and
// new processes take the place of the gone ones; many share a name and command line, as
// svchost.exe does.
Json Processes(std::size_t count, bool newer) {
  Json items = Json::array();
  for (std::size_t i = 0; i < count; ++i) {
    if (newer && i % 100 == 1) continue;
    const bool fresh = newer && i % 100 == 2;
    Json item;
    item["Name"] = "process" + std::to_string(i % 500) + ".exe";
    item["CommandLine"] = "C:\\Windows\\process.exe -k group" + std::to_string(i % 50);
    item["ExecutablePath"] = fresh ? "C:\\New\\added" + std::to_string(i) + ".exe"
                                   : "C:\\Windows\\process.exe";
    item["Handle"] = std::to_string(i * 4);
    for (const char* counter :
         {"HandleCount", "KernelModeTime", "PageFaults", "PageFileUsage", "PeakVirtualSize",
          "PeakWorkingSetSize", "PrivatePageCount", "ReadOperationCount", "ReadTransferCount",
          "UserModeTime", "VirtualSize", "WorkingSetSize", "WriteOperationCount"}) {
      item[counter] = static_cast<std::int64_t>(i * 4096 + 17);
    }
    for (const char* unknown :
         {"MaximumWorkingSetSize", "MinimumWorkingSetSize", "OtherOperationCount",
          "OtherTransferCount", "QuotaNonPagedPoolUsage", "QuotaPagedPoolUsage",
          "QuotaPeakNonPagedPoolUsage", "QuotaPeakPagedPoolUsage", "WriteTransferCount"}) {
      item[unknown] = nullptr;
    }
    item["ParentProcessId"] = 4;
    item["Priority"] = 8;
    item["ProcessId"] = static_cast<std::int64_t>(newer && i % 100 == 3 ? i * 4 + 1 : i * 4);
    item["ThreadCount"] = 12;
    items.push_back(std::move(item));
  }
  Json report = {{"schemaVersion", 1},
                 {"tool", {{"name", std::string(kProgramName)}, {"version", "1.0.2"}}},
                 {"computer", "BENCH"},
                 {"scanTime", newer ? "2026-01-02T04:00:00+00:00" : "2026-01-02T03:00:00+00:00"},
                 {"level", {{"number", 3}, {"name", "Advanced"}}}};
  report["categories"] = Json::array({{{"name", "Processes"},
                                       {"section", 10},
                                       {"status", "ok"},
                                       {"elapsedMs", 0},
                                       {"items", std::move(items)}}});
  return report;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// The runner's whole work on two files: read, check, compare, the text; its line count.
std::size_t CompareFiles(const std::string& oldPath, const std::string& newPath) {
  const JsonRead before = ReadReport(ReadFile(oldPath), oldPath);
  const JsonRead after = ReadReport(ReadFile(newPath), newPath);
  if (before.Failed() || after.Failed()) std::abort();
  const Comparison comparison = CompareReports(before.value, after.value, {oldPath, newPath, true});
  const std::string text = ComparisonText(comparison);
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

template <typename Work>
double BestMs(Work work, int repeats = kRepeats) {
  double best = 1e300;
  for (int run = 0; run < repeats; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

void Measure(std::size_t count, const std::string& folder) {
  const std::string oldPath = folder + "/old.json", newPath = folder + "/new.json";
  std::ofstream(oldPath, std::ios::binary) << JsonText(Processes(count, false));
  std::ofstream(newPath, std::ios::binary) << JsonText(Processes(count, true));
  std::size_t lines = 0;
  const double parse = BestMs([&] {
    const Json before = Json::parse(ReadFile(oldPath));
    const Json after = Json::parse(ReadFile(newPath));
    if (before.size() != after.size()) std::abort();  // keeps the work from being left out
  });
  const double read = BestMs([&] {
    if (ReadReport(ReadFile(oldPath), oldPath).Failed() ||
        ReadReport(ReadFile(newPath), newPath).Failed())
      std::abort();
  });
  const double compare = BestMs([&] { lines = CompareFiles(oldPath, newPath); });
  std::printf(
      "%7zu processes: read+parse %8.1f ms, read+check %8.1f ms, whole compare %8.1f ms, ratio "
      "%.2f to parse, %.2f to read+check (%zu lines)\n",
      count, parse, read, compare, compare / parse, compare / read, lines);
}

// One Software item of `count` fields; the new report holds them in the other order with every
// tenth value changed, so no field is where the old item has it.
void MeasureWideItem(std::size_t count, const std::string& folder) {
  const std::string oldPath = folder + "/wide-old.json", newPath = folder + "/wide-new.json";
  for (const bool newer : {false, true}) {
    std::string fields = "{\"DisplayName\": \"wide\"";
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = newer ? count - 1 - i : i;
      fields += ", \"F" + std::to_string(at) +
                "\": " + std::to_string(newer && at % 10 == 0 ? at + 1 : at);
    }
    Json report = Processes(0, newer);
    report["categories"][0]["name"] = "Software";
    report["categories"][0]["section"] = 13;
    report["categories"][0]["items"] = Json::array({"@item"});  // nlohmann's ordered insert is
    std::string text = JsonText(report);  // quadratic: the item goes in
    text.replace(text.find("\"@item\""), 7, fields + "}");  // as text
    std::ofstream(newer ? newPath : oldPath, std::ios::binary) << text;
  }
  std::size_t lines = 0;
  const double compare = BestMs([&] { lines = CompareFiles(oldPath, newPath); }, 9);
  std::printf("%7zu fields in one item: whole compare %8.1f ms, %.0f ns a field (%zu lines)\n",
              count, compare, compare * 1e6 / static_cast<double>(count), lines);
}

}  // namespace
}  // namespace sysinfo

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: compare_bench FOLDER (where the two reports are written)\n");
    return 2;
  }
  for (std::size_t count : {25'000u, 50'000u, 100'000u}) sysinfo::Measure(count, argv[1]);
  for (std::size_t count : {100'000u, 200'000u}) sysinfo::MeasureWideItem(count, argv[1]);
  return 0;
}
