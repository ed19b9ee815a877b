#include <gtest/gtest.h>

#include <array>

#include "app/format.h"
#include "app/text.h"
#include "collectors/sorted_table.h"
#include "tests/fakes/fake_wmi.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::FakeQuery;
using testing::FakeWmi;
using testing::FakeWmiObject;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);
constexpr std::array<std::string_view, 2> kColumns{"Name", "State"};

std::vector<std::string> Names(SortedTable& table) {
  std::vector<std::string> names;
  for (std::size_t row = 0; row < table.RowCount(); ++row) names.push_back(table.Value(row, "name"));
  return names;
}

SortedTable TableOf(std::initializer_list<std::pair<const char*, const char*>> rows) {
  SortedTable table(kColumns);
  for (const auto& [name, state] : rows) {
    table.AddNew();
    table.Set("Name", name);
    table.Set("STATE", state);
    table.Update();
  }
  return table;
}

TEST(SortedTable, SortsIgnoringCaseAndKeepsEqualKeysInDeliveredOrder) {
  SortedTable table = TableOf({{"beta", "1"}, {"Alpha", "2"}, {"alpha", "3"}, {"", "4"}, {"ALPHA", "5"}});
  table.Sort("Name");
  EXPECT_EQ(Names(table), (Lines{"", "Alpha", "alpha", "ALPHA", "beta"}));
  EXPECT_EQ(table.Value(1, "State"), "2");
  EXPECT_EQ(table.Value(3, "State"), "5");
}

TEST(SortedTable, EmptyOneRowAndLongValues) {
  SortedTable empty(kColumns);
  empty.Sort("Name");
  EXPECT_EQ(empty.RowCount(), 0u);

  const std::string longPath(1000, 'p');
  SortedTable one = TableOf({{"only", "x"}});
  one.AddNew();
  one.Set("Name", longPath);  // kept whole, never cut at 255 characters
  one.Update();
  one.Sort("Name");
  EXPECT_EQ(one.Value(1, "Name"), longPath);
  EXPECT_EQ(one.Value(0, "Missing"), "");
}

TEST(SortedTable, SortsManyRows) {
  SortedTable table(kColumns);
  for (int i = 99'999; i >= 0; --i) {
    table.AddNew();
    char name[16];
    std::snprintf(name, sizeof name, "row%06d", i);
    table.Set("Name", name);
    table.Update();
  }
  table.Sort("Name");
  ASSERT_EQ(table.RowCount(), 100'000u);
  EXPECT_EQ(table.Value(0, "Name"), "row000000");
  EXPECT_EQ(table.Value(99'999, "Name"), "row099999");
}

TEST(SortedTable, ManyEqualKeysInMixedCaseKeepTheirOrder) {
  // Many processes share a name ("svchost.exe", "SvcHost.exe"): they must stay in the order
  // they were delivered, whatever their letter case.
  const char* names[] = {"svchost.exe", "SvcHost.exe", "explorer.exe", "EXPLORER.EXE", "a.exe",
                         "\xC3\x89" "diteur.exe", "zeta.exe", ""};
  SortedTable table(kColumns);
  for (int i = 0; i < 100'000; ++i) {
    table.AddNew();
    table.Set("Name", names[(i * 7) % std::size(names)]);
    table.Set("State", std::to_string(i));
    table.Update();
  }
  table.Sort("Name");
  ASSERT_EQ(table.RowCount(), 100'000u);
  for (std::size_t row = 1; row < table.RowCount(); ++row) {
    const int order = CompareIgnoreCase(table.Value(row - 1, "Name"), table.Value(row, "Name"));
    ASSERT_LE(order, 0) << "row " << row;
    if (order == 0) {
      ASSERT_LT(std::stoi(table.Value(row - 1, "State")), std::stoi(table.Value(row, "State")))
          << "row " << row;
    }
  }
  EXPECT_EQ(table.Value(0, "Name"), "");
  EXPECT_EQ(table.Value(99'999, "Name"), "\xC3\x89" "diteur.exe");  // bytes above ASCII sort last
}

constexpr std::array<TableLine, 2> kLines{{
    {"Name: ", "Name", {1, 1, 1}},
    {"State: ", "State", {0, 1, 1}},
}};
constexpr SortedSection kSection{kColumns, "Name", kLines};
constexpr const char* kQuery = "SELECT * FROM Win32_Thing";

Lines Print(FakeWmi& wmi, int level) {
  CapturedReport report;
  PrintSortedWmiSection(report.writer(), wmi, kQuery, kSection, level);
  return report.Lines();
}

TEST(SortedSection, PrintsRowsInSortOrderAtEachLevel) {
  FakeWmi wmi;
  wmi.Answer(kQuery, FakeQuery{{FakeWmiObject{{"Name", std::string("b")}, {"State", std::string("Running")}},
                                FakeWmiObject{{"name", std::string("A")}, {"State", Null{}}}}});
  EXPECT_EQ(Print(wmi, 1), (Lines{"Name: A", kSeparator, "Name: b", kSeparator}));
  EXPECT_EQ(Print(wmi, 2), (Lines{"Name: A", "State: ", kSeparator, "Name: b", "State: Running", kSeparator}));
  EXPECT_EQ(Print(wmi, 0), Lines{});  // fills, prints nothing
  EXPECT_EQ(Print(wmi, 4), Lines{});
}

TEST(SortedSection, EmptyFailedAndAllNullResults) {
  FakeWmi empty;
  empty.Answer(kQuery, FakeQuery{});
  EXPECT_EQ(Print(empty, 3), Lines{});

  FakeWmi failed;
  failed.Fail(kQuery);
  EXPECT_EQ(Print(failed, 3), (Lines{"Name: ", "State: ", kSeparator}));

  FakeWmi nulls;
  nulls.Answer(kQuery, FakeQuery{{FakeWmiObject{{"Name", Null{}}, {"State", Null{}}}}});
  EXPECT_EQ(Print(nulls, 2), (Lines{"Name: ", "State: ", kSeparator}));

  // A provider that stops answering keeps the rows it delivered.
  FakeWmi stalled;
  stalled.Answer(kQuery, FakeQuery{{FakeWmiObject{{"Name", std::string("z")}}}, QueryStatus::TimedOut});
  EXPECT_EQ(Print(stalled, 1), (Lines{"Name: z", kSeparator}));
}

}  // namespace
}  // namespace sysinfo
