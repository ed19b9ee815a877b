// The console runner's command line and its progress lines.
#include <gtest/gtest.h>

#include <algorithm>

#include "collectors/categories.h"
#include "tools/runner_args.h"

namespace sysinfo {
namespace {

TEST(RunnerArgs, AcceptsCategoriesInAnyOrderAndTheLevel) {
  const RunnerOptions options = ParseRunnerArgs({"--category", "Suspicious Files!", "--out",
                                                 "r.txt", "--category", "Memory (Ram)", "--level",
                                                 "advanced"});
  ASSERT_FALSE(options.error);
  EXPECT_EQ(options.outPath, "r.txt");
  EXPECT_EQ(options.level, DetailLevel::Advanced);
  EXPECT_EQ(options.jobs, 0u);
  EXPECT_EQ(ParseRunnerArgs({"--out", "r.txt", "--all", "--jobs", "64"}).jobs, 64u);
  std::array<bool, kCategoryCount> expected{};
  expected[7] = expected[14] = true;
  EXPECT_EQ(options.ticked, expected);
}

TEST(RunnerArgs, RefusesBadCommandLines) {
  // Without --out, nothing to report or both, inexact names, unknown levels, options or formats.
  // clang-format off
  const std::vector<std::vector<std::string>> bad = {
      {}, {"--all"}, {"--out", "r.txt"}, {"--out", "r.txt", "--all", "--category", "CPU"},
      {"--out", "r.txt", "--category", "cpu"}, {"--out", "r.txt", "--category", "Memory"},
      {"--out", "r.txt", "--all", "--level", "expert"}, {"--out", "r.txt", "--all", "--level"}, {"--out"},
      {"--out", "r.txt", "--all", "--verbose"}, {"--out", "r.json", "--all", "--format", "JSON"},
      {"--out", "r.json", "--all", "--format", "xml"}, {"--out", "r.json", "--all", "--format"},
      {"--compare", "a.json"}, {"--compare", "a.json", "--all-fields"}, {"--compare", "a", "b", "--all"},
      {"--compare", "a", "b", "--category", "CPU"}, {"--compare", "a", "b", "--level", "basic"},
      {"--compare", "a", "b", "--compare", "c", "d"}, {"--compare", "a", "b", "--redact"},
      {"--out", "r.txt", "--all", "--all-fields"}, {"--out", "r.txt", "--all", "--redact-word", "x"},
      {"--out", "r.txt", "--all", "--redact-map", "m"}, {"--out", "r.txt", "--all", "--redact", "--redact-word"},
      {"--out", "R.txt", "--all", "--redact", "--redact-map", "r.TXT"}, {"--compare", "a", "b", "--redact-word", "x"},
      {"--out", "r.txt", "--all", "--jobs", "0"}, {"--out", "r.txt", "--all", "--jobs", "65"},
      {"--out", "r.txt", "--all", "--jobs", "-1"}, {"--out", "r.txt", "--all", "--jobs", "2x"},
      {"--out", "r.txt", "--all", "--jobs", "4294967298"}, {"--out", "r.txt", "--all", "--jobs"}};
  // clang-format on
  for (const auto& args : bad)
    EXPECT_TRUE(ParseRunnerArgs(args).error) << ::testing::PrintToString(args);
}

TEST(RunnerArgs, RedactTakesWordsAndTheMap) {
  const RunnerOptions options = ParseRunnerArgs({"--redact-word", "Bobby", "--out", "r.txt",
                                                 "--redact", "--all", "--redact-map", "m.json",
                                                 "--redact-word", "Project X"});
  ASSERT_FALSE(options.error);
  EXPECT_EQ(options.redactWords, (std::vector<std::string>{"Bobby", "Project X"}));
  EXPECT_EQ(options.redactMap, "m.json");
}

TEST(RunnerArgs, CompareTakesTwoReportsAndOptionallyTheOutputAndFormat) {
  const RunnerOptions plain = ParseRunnerArgs({"--compare", "old.json", "new.json"});
  ASSERT_FALSE(plain.error);
  EXPECT_TRUE(plain.compare && !plain.allFields && plain.outPath.empty());
  const RunnerOptions full = ParseRunnerArgs(
      {"--all-fields", "--compare", "a.json", "b.json", "--format", "json", "--out", "d.json"});
  ASSERT_FALSE(full.error);
  EXPECT_EQ(full.oldReport + " " + full.newReport + " " + full.outPath, "a.json b.json d.json");
  EXPECT_TRUE(full.compare && full.allFields && full.format == ReportFormat::Json);
}

TEST(RunnerArgs, AllIsBasicTextUnlessAskedAndHelpListsEveryCategory) {
  const RunnerOptions all = ParseRunnerArgs({"--out", "r.txt", "--all"});
  ASSERT_FALSE(all.error);
  EXPECT_EQ(all.level, DetailLevel::Basic);
  EXPECT_EQ(std::count(all.ticked.begin(), all.ticked.end(), true), kCategoryCount);
  EXPECT_EQ(all.format, ReportFormat::Text);
  const RunnerOptions text = ParseRunnerArgs({"--out", "r.txt", "--all", "--format", "text"});
  EXPECT_FALSE(text.error);
  EXPECT_EQ(text.format, ReportFormat::Text);
  const RunnerOptions json =
      ParseRunnerArgs({"--format", "json", "--out", "r.json", "--category", "CPU"});
  ASSERT_FALSE(json.error);
  EXPECT_EQ(json.format, ReportFormat::Json);
  EXPECT_TRUE(ParseRunnerArgs({"--help"}).help);
  const std::string usage = RunnerUsage();
  EXPECT_NE(usage.find("--format text|json"), std::string::npos);
  EXPECT_NE(usage.find("--compare OLD.json NEW.json"), std::string::npos);
  for (const CategoryDefinition* category : kCategoryList) {
    EXPECT_NE(usage.find("  " + std::string(category->text) + "\n"), std::string::npos);
  }
}

TEST(ProgressLine, NameStatusTimeAndTheReasonOfAFailure) {
  struct Case {
    CategoryOutcome outcome;
    const char* line;
  };
  const Case cases[] = {
      {{CategoryStatus::Ok, "", 12.4}, "CPU: ok (12 ms)"},
      {{CategoryStatus::Empty, "", 0.6}, "CPU: empty (1 ms)"},
      {{CategoryStatus::Failed, "Access denied.", 3}, "CPU: failed (3 ms): Access denied."},
      {{CategoryStatus::TimedOut, "The operation timed out.", 30000},
       "CPU: timed_out (30000 ms): The operation timed out."},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressLine("CPU", c.outcome), c.line);
}

}  // namespace
}  // namespace sysinfo
