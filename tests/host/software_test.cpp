// The Software section over a fake registry: both views, sorted, each level's lines (the expected
// lines are in data/software.txt).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collectors/collectors.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::Dword;
using testing::FakeRegistry;
using testing::LevelLine;
using testing::LinesAt;
using testing::Text;

const std::string kNative = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kWow = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::vector<std::string> Collect(FakeRegistry& keys, DetailLevel level) {
  CapturedReport report;
  CollectSoftware(report.writer(), keys, level);
  return report.Lines();
}

void AddEntry(FakeRegistry& keys, const std::string& view, const std::string& entry,
              const std::string& name, const std::string& version) {
  keys.Set(RegistryRoot::LocalMachine, view + "\\" + entry, "DisplayName", Text(name));
  keys.Set(RegistryRoot::LocalMachine, view + "\\" + entry, "DisplayVersion", Text(version));
}

const auto kExpected = testing::ReadLevelBlocks("software.txt");

TEST(Software, SortsByNameSkipsNamelessEntriesAndListsBothViews) {
  FakeRegistry keys;
  keys.AddKey(RegistryRoot::LocalMachine, kNative);
  EXPECT_TRUE(Collect(keys, DetailLevel::Basic).empty());  // no entries print nothing
  AddEntry(keys, kNative, "zeta", "zeta Tool", "3.0");
  AddEntry(keys, kNative, "Shared", "Alpha App", "1.0");
  keys.Set(RegistryRoot::LocalMachine, kNative + "\\KB5001", "Publisher", Text("Updates"));
  keys.Set(RegistryRoot::LocalMachine, kNative + "\\Blank", "DisplayName", Text("   "));
  keys.Set(RegistryRoot::LocalMachine, kNative + "\\Empty", "DisplayName", Text(""));
  AddEntry(keys, kWow, "Shared", "Alpha App", "1.0-32");
  AddEntry(keys, kWow, "b", "beta", "2.0");

  EXPECT_EQ(Collect(keys, DetailLevel::Basic), LinesAt(DetailLevel::Basic, kExpected.at("sorted")));
}

TEST(Software, EachLevelPrintsItsLines) {
  FakeRegistry keys;
  const std::string key = kNative + "\\{0F1E}";
  // clang-format off
  const std::vector<std::pair<const char*, RawRegistryValue>> values = {
      {"DisplayName", Text("Tool")}, {"Contact", Text("help desk")}, {"DisplayIcon", Text("C:\\Program Files\\Tool\\tool.exe,0")},
      {"DisplayVersion", Text("1.2.3")}, {"HelpLink", Text("http://help")}, {"InstallLocation", Text("C:\\Program Files\\Tool\\")},
      {"InstallDate", Text("20240131")}, {"NoModify", Dword(1)}, {"NoRepair", Dword(0)}, {"Publisher", Text("Tool Makers")},
      {"QuietUninstallString", Text("%ProgramFiles%\\Tool\\u.exe /S", kRegExpandSz)},  // expandable, not expanded
      {"UninstallString", Text("\"C:\\Program Files\\Tool\\uninstall.exe\" " + std::string(300, 'x'))},  // kept whole
      {"URLInfoAbout", Text("http://about")}, {"URLUpdateInfo", Text("http://update")}};
  // clang-format on
  for (const auto& [name, value] : values) keys.Set(RegistryRoot::LocalMachine, key, name, value);
  const std::vector<LevelLine>& block = kExpected.at("each level");
  for (DetailLevel level : kDetailLevels)
    EXPECT_EQ(Collect(keys, level), LinesAt(level, block)) << LevelCaption(level);
}

}  // namespace
}  // namespace sysinfo
