#include <gtest/gtest.h>

#include "tools/runner_args.h"

namespace sysinfo {
namespace {

TEST(RunnerArgs, AcceptsCategoriesInAnyOrderAndTheLevel) {
  const RunnerOptions options = ParseRunnerArgs(
      {"--category", "Suspicious Files!", "--out", "r.txt", "--category", "Memory (Ram)",
       "--level", "advanced"});
  ASSERT_EQ(options.error, "");
  EXPECT_EQ(options.outPath, "r.txt");
  EXPECT_EQ(options.level, 3);
  std::array<bool, kCategoryCount> expected{};
  expected[7] = expected[14] = true;
  EXPECT_EQ(options.ticked, expected);
}

TEST(RunnerArgs, AllTicksEveryCategoryAndTheLevelDefaultsToBasic) {
  const RunnerOptions options = ParseRunnerArgs({"--out", "r.txt", "--all"});
  ASSERT_EQ(options.error, "");
  EXPECT_EQ(options.level, 1);
  for (bool ticked : options.ticked) EXPECT_TRUE(ticked);
}

TEST(RunnerArgs, RefusesBadCommandLines) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--all"},                                          // no --out
      {"--out", "r.txt"},                                 // nothing to report
      {"--out", "r.txt", "--all", "--category", "CPU"},   // both
      {"--out", "r.txt", "--category", "cpu"},            // names are exact
      {"--out", "r.txt", "--category", "Memory"},
      {"--out", "r.txt", "--all", "--level", "expert"},
      {"--out", "r.txt", "--all", "--level"},
      {"--out"},
      {"--out", "r.txt", "--all", "--verbose"},
  };
  for (const auto& args : bad) EXPECT_NE(ParseRunnerArgs(args).error, "") << ::testing::PrintToString(args);
}

TEST(RunnerArgs, HelpListsEveryCategory) {
  EXPECT_TRUE(ParseRunnerArgs({"--help"}).help);
  const std::string usage = RunnerUsage();
  for (const Category& category : kCategories) {
    EXPECT_NE(usage.find("  " + std::string(category.text) + "\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace sysinfo
