// The list sections' table with enough equal keys to show a sort that is not stable.
#include <gtest/gtest.h>

#include <array>

#include "base/text.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

TEST(SortedTable, ManyEqualKeysInMixedCaseKeepTheirOrder) {
  // Many processes share a name ("svchost.exe", "SvcHost.exe"): they must stay in the order
  // they were delivered, whatever their letter case.
  const std::string edited = "\xC3\x89"
                             "diteur.exe";  // bytes above ASCII sort last
  const char* names[] = {"svchost.exe", "SvcHost.exe",  "explorer.exe", "EXPLORER.EXE",
                         "a.exe",       edited.c_str(), "zeta.exe",     ""};
  constexpr std::array<std::string_view, 2> kColumns{"Name", "State"};
  SortedTable table(kColumns);
  for (int i = 0; i < 100'000; ++i) {
    table.AddNew();
    table.Set("NAME", names[(i * 7) % std::size(names)]);  // column names ignore letter case
    table.Set("State", std::to_string(i));
    table.Update();
  }
  table.Sort("name");
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
  EXPECT_EQ(table.Value(99'999, "Name"), edited);
  EXPECT_EQ(table.Value(0, "Missing"), "");  // a column the table does not have reads as empty
}

}  // namespace
}  // namespace sysinfo
