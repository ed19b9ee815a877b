// A whole scan's wall time gathered one after the other and side by side, against its slowest
// category alone, over stand-in categories that only wait as a slow platform source would: one
// whose WMI class answers in 2 s, one that stalls until its 30 s bound (scaled down to 3 s here),
// the rest answering in 10 to 80 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "scan/scan.h"
#include "tests/fakes/memory_report.h"

namespace {

using namespace sysinfo;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kCategories = 16;
constexpr int kAnswersIn2s = 4;  // the category whose class answers in 2 s
constexpr int kStalls = 9;  // the category whose source stalls until its bound

class WaitingCategories final : public ScanCategories {
 public:
  std::size_t Count() const override { return kCategories; }
  CategoryFrame Frame(std::size_t index, DetailLevel) const override {
    return {names_[index], " Start", false, "Scanning", {}, {}};
  }
  void Collect(ReportWriter& report, std::size_t index, DetailLevel) override {
    int ms = 10 + static_cast<int>(index % 8) * 10;
    if (index == kAnswersIn2s) ms = 2000;
    if (index == kStalls) ms = 3000;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    report.WriteReportLine("waited " + std::to_string(ms) + " ms");
  }

 private:
  std::array<std::string, kCategories> names_ = [] {
    std::array<std::string, kCategories> names;
    for (std::size_t i = 0; i < kCategories; ++i) names[i] = "Category " + std::to_string(i + 1);
    return names;
  }();
};

double ScanSeconds(std::vector<bool> ticked, unsigned jobs) {
  std::string bytes;
  testing::MemoryHost host(bytes);
  ScanChoices choices;
  choices.caption = "bench";
  choices.ticked = std::move(ticked);
  choices.jobs = jobs;
  const auto start = Clock::now();
  RunScan(choices, std::make_shared<WaitingCategories>(), host);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  std::vector<bool> slowestAlone(kCategories, false);
  slowestAlone[kStalls] = true;
  const double alone = ScanSeconds(slowestAlone, 1);
  std::printf("%zu stand-in categories; the slowest alone: %.2f s\n", kCategories, alone);
  for (const unsigned jobs : {1u, DefaultScanJobs(), 4u, 8u}) {
    const double scan = ScanSeconds(std::vector<bool>(kCategories, true), jobs);
    std::printf("  --jobs %u: %6.2f s, %.2f times the slowest alone\n", jobs, scan, scan / alone);
  }
  return 0;
}
