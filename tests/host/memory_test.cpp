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
using testing::LinesAt;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);
constexpr const char* kModulesQuery = "Select * from Win32_PhysicalMemory";
constexpr const char* kPageFilesQuery = "Select * from Win32_PageFileUsage";

const auto kExpected = testing::ReadLevelBlocks("memory.txt");
Lines Expected(const char* name, DetailLevel level = DetailLevel::Basic) {
  return LinesAt(level, kExpected.at(name));
}

// clang-format off
PerformanceInfo EightGigabytes() {
  return PerformanceInfo{.commitTotal = 1'310'720,  .commitLimit = 3'145'728,    .commitPeak = 1'572'864,
                         .physicalTotal = 2'097'152, .physicalAvailable = 786'432, .systemCache = 524'288,
                         .kernelTotal = 131'072,    .kernelPaged = 98'304,        .kernelNonpaged = 32'768,
                         .pageSize = 4096,          .handleCount = 61'234,        .processCount = 187,
                         .threadCount = 2'345};
}
// clang-format on

Lines CollectMemoryLines(FakeWmi& wmi, const PerformanceInfo& info, DetailLevel level) {
  CapturedReport report;
  int reads = 0;
  CollectMemory(
      report.writer(), wmi,
      [&] {
        ++reads;
        return PerformanceReading{info, {}};
      },
      level);
  EXPECT_EQ(reads, 1);
  return report.Lines();
}

TEST(MemorySection, PrintsTheStatisticsOfEachLevel) {
  for (DetailLevel level :
       {DetailLevel::None, DetailLevel::Basic, DetailLevel::Moderate, DetailLevel::Advanced}) {
    FakeWmi wmi;
    wmi.Answer(
        kModulesQuery,
        FakeQuery{
            {{{"BankLabel", std::string("BANK 0")}, {"Capacity", std::string("4294967296")}},
             {{"BankLabel", std::string("BANK 2")}, {"Capacity", std::uint64_t{4294967296}}}}});
    wmi.Answer(kPageFilesQuery, FakeQuery{{{{"Name", std::string("C:\\pagefile.sys")},
                                            {"AllocatedBaseSize", std::uint64_t{4864}},
                                            {"CurrentUsage", std::uint64_t{312}},
                                            {"PeakUsage", std::uint64_t{1024}},
                                            {"TempPageFile", false}}}});
    // Without a level the modules and page files are still listed; the statistics are not.
    Lines expected = Expected("modules and page file");
    const Lines statistics = level == DetailLevel::None ? Lines{kSeparator}
                                                        : Expected("statistics", level);
    expected.insert(expected.end(), statistics.begin(), statistics.end());
    EXPECT_EQ(CollectMemoryLines(wmi, EightGigabytes(), level), expected)
        << "level " << LevelCaption(level);
    EXPECT_EQ(wmi.Asked(), (Lines{kModulesQuery, kPageFilesQuery}));
  }
}

TEST(MemorySection, NothingFoundAndFailedQueries) {
  FakeWmi empty;
  empty.Answer(kModulesQuery, FakeQuery{}).Answer(kPageFilesQuery, FakeQuery{});
  EXPECT_EQ(CollectMemoryLines(empty, PerformanceInfo{}, DetailLevel::Basic),
            Expected("nothing found"));
  // Failed queries still print their lines, and the category says it could not be read.
  FakeWmi failed;
  failed.Fail(kModulesQuery).Fail(kPageFilesQuery);
  CapturedReport report;
  CollectMemory(
      report.writer(), failed, [] { return PerformanceReading{}; }, DetailLevel::Basic);
  EXPECT_EQ(report.Lines(), Expected("failed queries"));
  EXPECT_EQ(report.writer().EndCategory(0).status, CategoryStatus::Failed);
}

TEST(MemorySection, ModuleAndPageFileValues) {
  FakeWmi wmi;
  wmi.Answer(kModulesQuery,
             FakeQuery{{{{"BankLabel", Null{}}, {"Capacity", std::uint64_t{8589934592}}},
                        {{"BankLabel", std::string("DIMM1")}, {"Capacity", Null{}}},
                        {{"Capacity", std::uint64_t{1073741824}}}}});
  wmi.Answer(kPageFilesQuery, FakeQuery{{{{"Name", std::string("D:\\pagefile.sys")},
                                          {"AllocatedBaseSize", Null{}},
                                          {"TempPageFile", true}},
                                         {{"Name", std::string("E:\\pagefile.sys")},
                                          {"CurrentUsage", std::uint64_t{0}},
                                          {"TempPageFile", Null{}}}}});
  EXPECT_EQ(CollectMemoryLines(wmi, EightGigabytes(), DetailLevel::Basic),
            Expected("module and page file values"));
}

}  // namespace
}  // namespace sysinfo
