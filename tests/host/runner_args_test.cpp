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
  // Without --out, nothing to report or both, unknown names, levels, options or formats.
  // clang-format off
  const std::vector<std::vector<std::string>> bad = {
      {}, {"--all"}, {"--out", "r.txt"}, {"--out", "r.txt", "--all", "--category", "CPU"},
      {"--out", "r.txt", "--category", "Memory"}, {"--out", "r.txt", "--all", "--level", "4"},
      {"--out=r.txt", "--all=yes"}, {"-o"}, {"--out", "r.txt", "--all", "--level", "0"},
      {"--out", "r.txt", "--all", "--level", "expert"}, {"--out", "r.txt", "--all", "--level"}, {"--out"},
      {"--out", "r.txt", "--all", "--verbose"},
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

// The spellings of well-liked command-line tools: names in any case, levels by number, values
// joined with "=", -o, -V; a near miss is answered with the name meant.
TEST(RunnerArgs, ConsoleSpellingsAndNearMisses) {
  const RunnerOptions options = ParseRunnerArgs({"--category=processes", "-o", "r.json", "--level",
                                                 "Advanced", "--format=JSON", "--category",
                                                 "SUSPICIOUS FILES!"});
  ASSERT_FALSE(options.error) << options.error->message;
  EXPECT_EQ(options.outPath, "r.json");
  EXPECT_EQ(options.level, DetailLevel::Advanced);
  EXPECT_EQ(options.format, ReportFormat::Json);
  EXPECT_EQ(std::count(options.ticked.begin(), options.ticked.end(), true), 2);
  EXPECT_TRUE(options.ticked[*FindCategory("Processes")]);
  for (const char* level : {"1", "2", "3"}) {
    EXPECT_EQ(LevelNumber(ParseRunnerArgs({"--out=-", "--all", "--level", level}).level),
              level[0] - '0');
  }
  EXPECT_EQ(ParseRunnerArgs({"--out=-", "--all"}).outPath, "-");
  EXPECT_TRUE(ParseRunnerArgs({"-V"}).version);
  EXPECT_TRUE(ParseRunnerArgs({"--out", "r.txt", "--version"}).version);

  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"--out", "r", "--category", "Proceses"},
       "unknown category \"Proceses\"; did you mean \"Processes\"?"},
      {{"--out", "r", "--all", "--level", "advnced"},
       "unknown level \"advnced\"; did you mean \"advanced\"? (basic, moderate, advanced, or 1 "
       "to 3)"},
      {{"--out", "r", "--all", "--fromat", "json"},
       "unknown option \"--fromat\"; did you mean \"--format\"?"},
      {{"--out", "r", "--all", "--format", "jsno"},
       "unknown format \"jsno\"; did you mean \"json\"?"},
      {{"--out", "r", "--category", "Zebra"}, "unknown category \"Zebra\""},
      {{"--out", "r", "--redact=yes", "--all"}, "--redact takes no value"},
  };
  for (const auto& [args, message] : refused) {
    const RunnerOptions refusedOptions = ParseRunnerArgs(args);
    ASSERT_TRUE(refusedOptions.error) << message;
    EXPECT_EQ(refusedOptions.error->message, message);
  }
}

TEST(RunnerArgs, DeviceNamesAreToldFromFileNames) {
  for (const char* device : {"CON", "con", "nul.txt", "C:\\Reports\\COM1", "lpt9.json", "AUX ",
                             "\\\\.\\PhysicalDrive0", "D:conout$"})
    EXPECT_TRUE(IsDeviceName(device)) << device;
  for (const char* file : {"CONSOLE.txt", "COM10", "COM0", "report.txt", "C:\\CON\\r.txt", "-", ""})
    EXPECT_FALSE(IsDeviceName(file)) << file;
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
  EXPECT_NE(usage.find("Examples:\n"), std::string::npos);
  EXPECT_NE(usage.find("  3  the report was written, but a category"), std::string::npos);
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
