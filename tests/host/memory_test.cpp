// The Memory section: modules, page files and the system statistics.
#include <gtest/gtest.h>

#include "base/format.h"
#include "collectors/collectors.h"
#include "tests/fakes/fake_wmi.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::FakeQuery;
using testing::FakeWmi;
using testing::LevelLine;
using testing::LinesAt;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);
constexpr const char* kModulesQuery = "Select * from Win32_PhysicalMemory";
constexpr const char* kPageFilesQuery = "Select * from Win32_PageFileUsage";

// An 8 GB machine with 4 KB pages: the byte amounts pass 4 GB and must not wrap at 32 bits.
// clang-format off
PerformanceInfo EightGigabytes() {
  return PerformanceInfo{.commitTotal = 1'310'720,  .commitLimit = 3'145'728,    .commitPeak = 1'572'864,
                         .physicalTotal = 2'097'152, .physicalAvailable = 786'432, .systemCache = 524'288,
                         .kernelTotal = 131'072,    .kernelPaged = 98'304,        .kernelNonpaged = 32'768,
                         .pageSize = 4096,          .handleCount = 61'234,        .processCount = 187,
                         .threadCount = 2'345};
}
// clang-format on

Lines CollectMemoryLines(FakeWmi& wmi, const PerformanceInfo& info, int level) {
  CapturedReport report;
  int reads = 0;
  CollectMemory(
      report.writer(), wmi,
      [&] {
        ++reads;
        return info;
      },
      level);
  EXPECT_EQ(reads, 1);
  return report.Lines();
}

FakeWmi TwoModulesOnePageFile() {
  FakeWmi wmi;
  wmi.Answer(
      kModulesQuery,
      FakeQuery{{{{"BankLabel", std::string("BANK 0")}, {"Capacity", std::string("4294967296")}},
                 {{"BankLabel", std::string("BANK 2")}, {"Capacity", std::uint64_t{4294967296}}}}});
  wmi.Answer(kPageFilesQuery, FakeQuery{{{{"Name", std::string("C:\\pagefile.sys")},
                                          {"AllocatedBaseSize", std::uint64_t{4864}},
                                          {"CurrentUsage", std::uint64_t{312}},
                                          {"PeakUsage", std::uint64_t{1024}},
                                          {"TempPageFile", false}}}});
  return wmi;
}

const Lines kFullModulesAndPageFile = {
    "(Installed Physical Memory Modules)",
    "BANK 0 - Size 4.00 GB",
    "BANK 2 - Size 4.00 GB",
    kSeparator,
    "(Page File Info)",
    "Name: C:\\pagefile.sys",
    "Allocated Size: 4864 MB",
    "Current Usage: 312 MB",
    "Peak Usage: 1024 MB",
    "Temp Page File: False",
    kSeparator,
    "(Memory Stats)",
};

Lines Concat(Lines head, const Lines& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(MemorySection, PrintsTheStatisticsOfEachLevel) {
  const std::vector<LevelLine> statistics = {
      {1, "Memory Total: 8.00 GB"},
      {1, "Memory Used:: 5.00 GB"},
      {1, "Memory Available: 3.00 GB"},
      {1, "Process Count: 187"},
      {2, "Thread Count: 2345"},
      {2, "Handle Count: 61234"},
      {2, "System Cache: 2.00 GB"},
      {3, "Commit Total: 5.00 GB"},
      {3, "Commit Limit : 12.00 GB"},
      {3, "Commit Peak: 6.00 GB"},
      {3, "Kernel Total: 512.00 MB"},
      {3, "Kernel Paged: 384.00 MB"},
      {3, "Kernel Non Paged: 128.00 MB"},
      {3, "Page Size: 4096"},
      {1, kSeparator},
  };
  // Without a level the modules and page files are still listed; the statistics are not.
  const std::pair<int, Lines> cases[] = {{1, LinesAt(1, statistics)},
                                         {2, LinesAt(2, statistics)},
                                         {3, LinesAt(3, statistics)},
                                         {0, {kSeparator}},
                                         {4, {kSeparator}}};
  for (const auto& [level, expected] : cases) {
    FakeWmi wmi = TwoModulesOnePageFile();
    EXPECT_EQ(CollectMemoryLines(wmi, EightGigabytes(), level),
              Concat(kFullModulesAndPageFile, expected))
        << "level " << level;
    EXPECT_EQ(wmi.Asked(), (Lines{kModulesQuery, kPageFilesQuery}));
  }
}

TEST(MemorySection, NothingFoundAndFailedQueries) {
  const Lines statistics = {"(Memory Stats)",        "Memory Total: 0 Bytes",
                            "Memory Used:: 0 Bytes", "Memory Available: 0 Bytes",
                            "Process Count: 0",      kSeparator};
  FakeWmi empty;
  empty.Answer(kModulesQuery, FakeQuery{}).Answer(kPageFilesQuery, FakeQuery{});
  EXPECT_EQ(CollectMemoryLines(empty, PerformanceInfo{}, 1),
            Concat({"(Installed Physical Memory Modules)", "Unable to Detect", kSeparator,
                    "(Page File Info)", "Unable to Detect", kSeparator},
                   statistics));

  // A failed query still makes one pass without an object, and that pass counts as found.
  FakeWmi failed;
  failed.Fail(kModulesQuery).Fail(kPageFilesQuery);
  EXPECT_EQ(CollectMemoryLines(failed, PerformanceInfo{}, 1),
            Concat({"(Installed Physical Memory Modules)", kSeparator, "(Page File Info)",
                    "Temp Page File: False", kSeparator},
                   statistics));
}

TEST(MemorySection, ModuleAndPageFileValues) {
  FakeWmi wmi;
  wmi.Answer(kModulesQuery,
             FakeQuery{{{{"BankLabel", Null{}}, {"Capacity", std::uint64_t{8589934592}}},
                        {{"BankLabel", std::string("DIMM1")}, {"Capacity", Null{}}},
                        // A class without BankLabel: no line, but the module is counted.
                        {{"Capacity", std::uint64_t{1073741824}}}}});
  wmi.Answer(kPageFilesQuery, FakeQuery{{{{"Name", std::string("D:\\pagefile.sys")},
                                          {"AllocatedBaseSize", Null{}},
                                          {"TempPageFile", true}},
                                         {{"Name", std::string("E:\\pagefile.sys")},
                                          {"CurrentUsage", std::uint64_t{0}},
                                          {"TempPageFile", Null{}}}}});
  const Lines expected = {
      "(Installed Physical Memory Modules)",
      " - Size 8.00 GB",
      "DIMM1 - Size ",
      kSeparator,
      "(Page File Info)",
      "Name: D:\\pagefile.sys",
      "Allocated Size:  MB",
      "Temp Page File: True",
      "Name: E:\\pagefile.sys",
      "Current Usage: 0 MB",
      "Temp Page File: False",
      kSeparator,
      "(Memory Stats)",
      "Memory Total: 8.00 GB",
      "Memory Used:: 5.00 GB",
      "Memory Available: 3.00 GB",
      "Process Count: 187",
      kSeparator,
  };
  EXPECT_EQ(CollectMemoryLines(wmi, EightGigabytes(), 1), expected);
}

}  // namespace
}  // namespace sysinfo
