// Every WMI section: each line at each level, block order, failed queries, value texts.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <stdexcept>

#include "base/format.h"
#include "collectors/collectors.h"
#include "tests/fakes/fake_wmi.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::FakeQuery;
using testing::FakeWmi;
using testing::FakeWmiObject;
using testing::LevelLine;
using testing::LinesAt;
using Lines = std::vector<std::string>;
using Filler = std::function<std::string(const std::string& property)>;

const std::string kSeparator(SeparatorLine);

// A section prints for each object the lines of its block, read from data/sections.txt; values
// whose text is not the value itself (codes, units) are `fixed` here.
struct WmiSection {
  const char* name;
  void (*collect)(ReportWriter&, WmiService&, DetailLevel);
  const char* query;
  bool sorted;  // list sections sort on the first line's property; the others keep WMI's order
  std::map<std::string, SourceValue> fixed = {};
  std::vector<LevelLine> block = {};
};

// clang-format off
const std::vector<WmiSection>& Sections() {
  static const std::vector<WmiSection> sections = [] {
    std::vector<WmiSection> list = {
      {"Operating System", CollectOperatingSystem, "SELECT * FROM Win32_OperatingSystem", false, {{"ProductType", std::uint64_t{1}}}},
      {"Computer System", CollectComputerSystem, "SELECT * FROM Win32_ComputerSystem", false,
       {{"DomainRole", std::uint64_t{1}}, {"ThermalState", std::uint64_t{3}}, {"WakeUpType", std::uint64_t{6}}}},
      {"CPU", CollectCpu, "SELECT * FROM Win32_Processor", false, {{"CurrentVoltage", std::uint64_t{12}}}},
      {"Drives", CollectDrives, "SELECT * FROM Win32_DiskDrive", false, {{"Size", std::uint64_t{500105249280}}}},
      {"Drivers", CollectDrivers, "SELECT * FROM Win32_SystemDriver", true},
      {"Hardware", CollectHardware, "SELECT * FROM Win32_PnPEntity", true},
      {"Network Protocols", CollectNetworkProtocols, "SELECT * FROM Win32_NetworkProtocol", true},
      {"Processes", CollectProcesses, "SELECT * FROM Win32_Process", true},
      {"Services", CollectServices, "SELECT * FROM Win32_Service", true},
      {"Startup Items", CollectStartupItems, "SELECT * FROM Win32_StartupCommand", true},
    };
    const auto blocks = testing::ReadLevelBlocks("sections.txt");
    for (WmiSection& section : list) section.block = blocks.at(section.name);
    return list;
  }();
  return sections;
}
// clang-format on

const WmiSection& Section(std::string_view name) {
  for (const WmiSection& section : Sections()) {
    if (section.name == name) return section;
  }
  throw std::invalid_argument(std::string(name));
}

// `text` with each "%Property" replaced by what `fill` gives for that property.
std::string Fill(const std::string& text, const Filler& fill) {
  std::string filled;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] != '%') {
      filled += text[at++];
      continue;
    }
    std::size_t end = at + 1;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
      ++end;
    filled += fill(text.substr(at + 1, end - at - 1));
    at = end;
  }
  return filled;
}

// Every property holds `mark` followed by its name, unless `set` gives it a text.
Filler Marked(const std::string& mark, std::map<std::string, std::string> set = {}) {
  return [mark, set](const std::string& property) {
    const auto found = set.find(property);
    return found == set.end() ? mark + property : found->second;
  };
}
const Filler kLabelsOnly = [](const std::string&) { return std::string(); };

FakeWmiObject ObjectOf(const WmiSection& section, const Filler& fill) {
  FakeWmiObject object;
  for (const LevelLine& line : section.block) {
    Fill(line.text, [&](const std::string& property) {
      object.Set(property, fill(property));
      return "";
    });
  }
  for (const auto& [property, value] : section.fixed) object.Set(property, value);
  return object;
}

// The lines an object of ObjectOf(section, fill) prints at `level`, then the separator.
Lines BlockOf(const WmiSection& section, DetailLevel level, const Filler& fill) {
  Lines block;
  for (const std::string& line : LinesAt(level, section.block)) block.push_back(Fill(line, fill));
  block.push_back(kSeparator);
  return block;
}

Lines Joined(std::initializer_list<Lines> blocks) {
  Lines lines;
  for (const Lines& block : blocks) lines.insert(lines.end(), block.begin(), block.end());
  return lines;
}

Lines Collect(const WmiSection& section, FakeWmi& wmi, DetailLevel level) {
  testing::CapturedReport report;
  section.collect(report.writer(), wmi, level);
  return report.Lines();
}

Lines CollectObjects(const WmiSection& section, std::vector<FakeWmiObject> objects,
                     DetailLevel level, Status end = std::nullopt) {
  FakeWmi wmi;
  wmi.Answer(section.query, FakeQuery{std::move(objects), end});
  return Collect(section, wmi, level);
}

TEST(WmiSections, EachLevelPrintsItsLinesInOrder) {
  for (const WmiSection& section : Sections()) {
    SCOPED_TRACE(section.name);
    FakeWmi wmi;
    wmi.Answer(section.query,
               FakeQuery{{ObjectOf(section, Marked("b-")), ObjectOf(section, Marked("A-"))}});
    for (DetailLevel level : kDetailLevels) {
      SCOPED_TRACE(LevelCaption(level));
      const Lines a = BlockOf(section, level, Marked("A-"));
      const Lines b = BlockOf(section, level, Marked("b-"));
      EXPECT_EQ(Collect(section, wmi, level), section.sorted ? Joined({a, b}) : Joined({b, a}));
    }
    EXPECT_EQ(Collect(section, wmi, DetailLevel::None), Lines{});
    EXPECT_EQ(wmi.Asked(), Lines(4, section.query));  // also asked when nothing is printed
  }
}

TEST(WmiSections, ListsSortOnTheirFirstLineIgnoringCaseAndKeepNamesakes) {
  for (const WmiSection& section : Sections()) {
    if (!section.sorted) continue;
    SCOPED_TRACE(section.name);
    const std::string key =
        section.block.front().text.substr(section.block.front().text.find('%') + 1);
    // Every other column runs the other way, so sorting on any of them shows.
    const std::pair<const char*, const char*> rows[] = {
        {"z1-", "b"}, {"z0-", "C"}, {"z2-", "a"}, {"z3-", "B"}, {"z4-", "b"}};
    std::vector<FakeWmiObject> objects;
    for (const auto& [mark, value] : rows)
      objects.push_back(ObjectOf(section, Marked(mark, {{key, value}})));
    const auto block = [&](int row) {
      return BlockOf(section, DetailLevel::Basic,
                     Marked(rows[row].first, {{key, rows[row].second}}));
    };
    // "b" and "B" compare equal: they keep the order they came in, each in its own block.
    EXPECT_EQ(CollectObjects(section, objects, DetailLevel::Basic),
              Joined({block(2), block(0), block(3), block(4), block(1)}));
  }
}

TEST(WmiSections, FailedEmptyBareAndStalledQueries) {
  for (const WmiSection& section : Sections()) {
    SCOPED_TRACE(section.name);
    EXPECT_EQ(CollectObjects(section, {}, DetailLevel::Advanced), Lines{});
    // A query that fails before any object: a list prints its bare labels, the others only the
    // separator. An object of a class that defines none of the properties prints the same.
    for (DetailLevel level : kDetailLevels) {
      const Lines bare = section.sorted ? BlockOf(section, level, kLabelsOnly) : Lines{kSeparator};
      EXPECT_EQ(CollectObjects(section, {}, level, testing::kFakeQueryFailed), bare);
      EXPECT_EQ(CollectObjects(section, {}, level, testing::kFakeQueryTimedOut), bare);
      EXPECT_EQ(CollectObjects(section, {FakeWmiObject{}}, level), bare);
    }
    // A provider that stops answering after one object keeps that object's block.
    EXPECT_EQ(CollectObjects(section, {ObjectOf(section, Marked("s-"))}, DetailLevel::Moderate,
                             testing::kFakeQueryTimedOut),
              BlockOf(section, DetailLevel::Moderate, Marked("s-")));
    // A list whose values are all Null prints its bare labels.
    FakeWmiObject nulls;
    for (const LevelLine& line : section.block) {
      Fill(line.text, [&](const std::string& property) {
        nulls.Set(property, Null{});
        return "";
      });
    }
    if (section.sorted) {
      EXPECT_EQ(CollectObjects(section, {nulls}, DetailLevel::Advanced),
                BlockOf(section, DetailLevel::Advanced, kLabelsOnly));
    }
  }
}

// The line starting with `label` that an object prints at Advanced with one property changed;
// "" when it prints none.
std::string LineWith(const char* sectionName, const char* property, const SourceValue& value,
                     const std::string& label) {
  const WmiSection& section = Section(sectionName);
  FakeWmiObject object = ObjectOf(section, Marked("v-"));
  object.Set(property, value);
  for (const std::string& line : CollectObjects(section, {object}, DetailLevel::Advanced)) {
    if (line.rfind(label, 0) == 0) return line;
  }
  return "";
}

TEST(WmiSections, ValuesAsTheReportPrintsThem) {
  const std::string commandLine = "\"C:\\Tools\\run.exe\" " + std::string(400, 'x');
  struct Case {
    const char* section;
    const char* property;
    SourceValue value;
    std::string label;
    std::string line;  // "": no line at all
  };
  // clang-format off
  const Case cases[] = {
      {"CPU", "CurrentVoltage", std::uint64_t{10}, "Current Voltage: ", "Current Voltage: 1"},
      {"CPU", "CurrentVoltage", std::uint64_t{33}, "Current Voltage: ", "Current Voltage: 3.3"},
      {"CPU", "CurrentVoltage", std::uint64_t{0x8B}, "Current Voltage: ", "Current Voltage: 13.9"},  // no bit masked
      {"CPU", "CurrentVoltage", std::int64_t{65535}, "Current Voltage: ", "Current Voltage: 6553.5"},
      {"CPU", "CurrentVoltage", std::string("15"), "Current Voltage: ", "Current Voltage: 1.5"},
      {"CPU", "CurrentVoltage", Null{}, "Current Voltage: ", "Current Voltage: "},
      {"CPU", "CurrentVoltage", Unreadable{}, "Current Voltage: ", ""},
      {"CPU", "CurrentVoltage", std::string("n/a"), "Current Voltage: ", ""},
      {"CPU", "L3CacheSize", Unreadable{}, "L3CacheSize: ", ""},  // a class without the property
      {"Drives", "Size", std::string("500105249280"), "Size: ", "Size: 465.76 GB"},  // 64-bit as text
      {"Drives", "Size", Null{}, "Size: ", "Size: "},
      {"Drives", "Size", Unreadable{}, "Size: ", ""},
      {"Operating System", "RegisteredUser", Null{}, "Registered User: ", "Registered User: "},
      // The caption line: only the caption is trimmed; a Null service pack leaves the blank before it;
      // without the architecture the parentheses stay empty; without a version there is no line.
      {"Operating System", "Caption", std::string("  Windows 10 "), "Windows", "Windows 10 (v-OSArchitecture) v-Version v-CSDVersion"},
      {"Operating System", "CSDVersion", Null{}, "v-Caption", "v-Caption (v-OSArchitecture) v-Version "},
      {"Operating System", "OSArchitecture", Unreadable{}, "v-Caption", "v-Caption () v-Version v-CSDVersion"},
      {"Operating System", "Version", Unreadable{}, "v-Caption", ""},
      {"Operating System", "Version", Unreadable{}, "Registered User: ", "Registered User: v-RegisteredUser"},
      {"Operating System", "ProductType", std::uint64_t{2}, "Product Type: ", "Product Type: 2 - Domain Controller"},
      {"Operating System", "ProductType", std::uint64_t{3}, "Product Type: ", "Product Type: 3 - Server"},
      {"Operating System", "ProductType", std::uint64_t{4}, "Product Type: ", ""},
      {"Operating System", "ProductType", Null{}, "Product Type: ", ""},
      {"Operating System", "OSLanguage", std::uint64_t{1033}, "OS Language: ", "OS Language: English - United States"},
      {"Operating System", "OSLanguage", Null{}, "OS Language: ", ""},
      {"Operating System", "OSLanguage", Unreadable{}, "OS Language: ", ""},
      {"Processes", "CommandLine", commandLine, "CommandLine: ", "CommandLine: " + commandLine},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(LineWith(c.section, c.property, c.value, c.label), c.line)
        << c.section << " " << c.property << " " << ValueText(c.value).value_or("(unreadable)");
  }
}

TEST(WmiSections, CodedComputerSystemPropertiesPrintTheirWords) {
  struct Coded {
    const char* property;
    std::string label;
    std::vector<std::string> words;  // from code 0; "": no line, as for codes past the end
  };
  // clang-format off
  const Coded coded[] = {
      {"DomainRole", "Domain Role: ", {"Standalone Workstation", "Member Workstation", "Standalone Server", "Member Server",
                                       "Backup Domain Controller", "Primary Domain Controller"}},
      {"ThermalState", "Thermal State: ", {"", "Other", "Unknown", "Safe", "Warning", "Critical", "Nonrecoverable"}},
      {"WakeUpType", "Wake Up Type: ", {"Reserved", "Other", "Unknown", "APM Timer", "Modem Ring", "LAN Remote",
                                        "Power Switch", "PCI PME#", "AC Power Restored"}}};
  // clang-format on
  for (const Coded& c : coded) {
    for (std::uint64_t code = 0; code <= c.words.size(); ++code) {
      const std::string word = code < c.words.size() ? c.words[code] : "";
      EXPECT_EQ(LineWith("Computer System", c.property, code, c.label),
                word.empty() ? "" : c.label + std::to_string(code) + " - " + word);
    }
  }
  EXPECT_EQ(LineWith("Computer System", "WakeUpType", Null{}, "Wake Up Type: "), "");
}

TEST(WmiValueText, EveryValueKind) {
  EXPECT_EQ(ValueText(SourceValue{Unreadable{}}), std::nullopt);
  EXPECT_EQ(ValueText(SourceValue{Null{}}), "");
  EXPECT_EQ(ValueText(SourceValue{std::string(" padded ")}), " padded ");
  EXPECT_EQ(ValueText(SourceValue{std::int64_t{-300}}), "-300");
  EXPECT_EQ(ValueText(SourceValue{std::uint64_t{18446744073709551615u}}), "18446744073709551615");
  EXPECT_EQ(ValueText(SourceValue{true}), "True");
  EXPECT_EQ(ValueText(SourceValue{false}), "False");
  EXPECT_EQ(ValueText(SourceValue{3.3}), "3.3");
  EXPECT_EQ(ValueText(SourceValue{1.0}), "1");
}

}  // namespace
}  // namespace sysinfo
