// Windows Updates over a fake registry, WMI and update history: the build first, the fixes by
// their id, the history in its order (the expected lines are in data/windows_updates.txt).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collectors/windows_updates.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_user_software.h"
#include "tests/fakes/fake_wmi.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::FakeQuery;

const auto kExpected = testing::ReadLevelBlocks("windows_updates.txt");

TEST(WindowsUpdates, KbNumberIsTheTitlesOwnWord) {
  const std::pair<const char*, const char*> cases[] = {
      {"2024-03 Cumulative Update for Windows 10 Version 22H2 (KB5035845)", "KB5035845"},
      {"Security Intelligence Update - KB2267602 (Version 1.407.1.0)", "KB2267602"},
      {"Update for Windows (kb123456)", "KB123456"},
      {"Fixes KB12 then KB34", "KB12"},
      {"NOTKB123 and SKB9", ""},
      {"KBX 12", ""},
      {"ends in KB", ""},
      {"", ""},
  };
  for (const auto& [title, kb] : cases) EXPECT_EQ(KbNumber(title), kb) << title;
}

struct Machine {
  testing::FakeWmi wmi;
  testing::FakeRegistry keys;
  testing::FakeUpdateHistory history;

  Machine() {
    const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    keys.Set(RegistryRoot::LocalMachine, nt, "CurrentBuild", testing::Text("19045"));
    keys.Set(RegistryRoot::LocalMachine, nt, "UBR", testing::Dword(4170));
    keys.Set(RegistryRoot::LocalMachine, nt, "DisplayVersion", testing::Text("22H2"));
    // clang-format off
    wmi.Answer("SELECT * FROM Win32_QuickFixEngineering",
               FakeQuery{{{{"HotFixID", std::string("KB5034441")}, {"Description", std::string("Security Update")},
                           {"InstalledOn", std::string("3/12/2024")}, {"InstalledBy", std::string("NT AUTHORITY\\SYSTEM")},
                           {"Caption", std::string("http://support.microsoft.com/?kbid=5034441")}},
                          {{"HotFixID", std::string("KB5011048")}, {"Description", std::string("Update")},
                           {"InstalledOn", Null{}}, {"InstalledBy", std::string("")}, {"Caption", Null{}}}}});
    // clang-format on
    const Moment march{"Tuesday, March 12, 2024 6:04:05 PM", {2024, 3, 12, 18, 4, 5, 60}};
    history.entries.value = {
        {"2024-03 Cumulative Update (KB5035845)\r\nResult: Succeeded", 4, 1, -2145124318, march},
        {"Security Intelligence Update - KB2267602", 2, 1, 0, march},
        {"Removed Preview", 9, 2, 0, std::string()},
    };
  }

  std::vector<std::string> Collect(DetailLevel level, CategoryOutcome* outcome = nullptr) {
    testing::CapturedReport report;
    CollectWindowsUpdates(report.writer(), {wmi, keys, history}, level);
    if (outcome) *outcome = report.writer().EndCategory(0);
    return report.Lines();
  }
};

TEST(WindowsUpdates, EachLevelPrintsTheBuildTheFixesAndTheHistory) {
  Machine machine;
  for (DetailLevel level : kDetailLevels) {
    CategoryOutcome outcome;
    EXPECT_EQ(machine.Collect(level, &outcome), testing::LinesAt(level, kExpected.at("each level")))
        << LevelCaption(level);
    EXPECT_EQ(outcome.status, CategoryStatus::Ok);
  }
  EXPECT_EQ(machine.history.asked, kMaxHistoryEntries);
}

// A history the agent cannot give (Wine's) still lists the build and the fixes, and the category
// says why it failed.
TEST(WindowsUpdates, AFailingHistoryLeavesTheFixesListed) {
  Machine machine;
  machine.history.entries = {{}, Failure("Not implemented.")};
  CategoryOutcome outcome;
  const std::vector<std::string> lines = machine.Collect(DetailLevel::Basic, &outcome);
  const std::vector<std::string> block = testing::LinesAt(DetailLevel::Basic,
                                                          kExpected.at("each level"));
  EXPECT_EQ(lines, std::vector<std::string>(block.begin(), block.begin() + 11));
  EXPECT_EQ(outcome.status, CategoryStatus::Failed);
  EXPECT_EQ(outcome.error, "Windows Update history: Not implemented.");
}

}  // namespace
}  // namespace sysinfo
