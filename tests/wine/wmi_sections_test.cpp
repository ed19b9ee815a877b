// Every WMI section against Wine's real WMI: the classes it answers, the ones it lacks, the
// sort of list sections, and unsigned values that arrive in signed VARIANTs.
#include <gtest/gtest.h>

#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>

#include "app/format.h"
#include "app/text.h"
#include "collectors/collectors.h"
#include "collectors/performance_win.h"
#include "collectors/sorted_table.h"
#include "collectors/wmi_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);

using Collect = void (*)(ReportWriter&, WmiService&, int);

struct WmiSection {
  const char* name;
  Collect collect;
  const char* wmiClass;
};

// Memory is collected with its own reader of the performance figures and tested on its own.
constexpr std::array<WmiSection, 8> kSections{{
    {"CPU", CollectCpu, "Win32_Processor"},
    {"Drives", CollectDrives, "Win32_DiskDrive"},
    {"Drivers", CollectDrivers, "Win32_SystemDriver"},
    {"Hardware", CollectHardware, "Win32_PnPEntity"},
    {"Network Protocols", CollectNetworkProtocols, "Win32_NetworkProtocol"},
    {"Processes", CollectProcesses, "Win32_Process"},
    {"Services", CollectServices, "Win32_Service"},
    {"Startup Items", CollectStartupItems, "Win32_StartupCommand"},
}};

class WineWmi : public ::testing::Test {
 protected:
  ComApartment com;
  std::unique_ptr<WmiService> wmi = MakeWmiService();

  Lines Run(Collect collect, int level) {
    CapturedReport report;
    collect(report.writer(), *wmi, level);
    return report.Lines();
  }

  // The values of one property in the order WMI delivers the objects.
  Lines Delivered(const std::string& wmiClass, const char* property, QueryStatus* status = nullptr) {
    auto result = wmi->ExecQuery("SELECT * FROM " + wmiClass);
    Lines values;
    while (const WmiObject* object = result->Next()) {
      values.push_back(ValueText(object->Get(property)).value_or("(unreadable)"));
    }
    if (status) *status = result->Status();
    return values;
  }
};

Lines ValuesOf(const Lines& lines, const std::string& label) {
  Lines values;
  for (const std::string& line : lines) {
    if (line.rfind(label, 0) == 0) values.push_back(line.substr(label.size()));
  }
  return values;
}

bool SortedIgnoringCase(const Lines& values) {
  return std::is_sorted(values.begin(), values.end(), [](const std::string& a, const std::string& b) {
    return CompareIgnoreCase(a, b) < 0;
  });
}

// The lengths of the blocks, each closed by the separator; -1 for lines after the last one.
std::vector<std::ptrdiff_t> BlockLengths(const Lines& lines) {
  std::vector<std::ptrdiff_t> lengths;
  std::ptrdiff_t length = 0;
  for (const std::string& line : lines) {
    ++length;
    if (line == kSeparator) {
      lengths.push_back(length);
      length = 0;
    }
  }
  if (length != 0) lengths.push_back(-1);
  return lengths;
}

TEST_F(WineWmi, EverySectionRunsAtEachLevel) {
  for (const WmiSection& section : kSections) {
    const std::size_t objects = Delivered(section.wmiClass, "__CLASS").size();
    for (int level = 1; level <= 3; ++level) {
      SCOPED_TRACE(std::string(section.name) + " level " + std::to_string(level));
      const std::vector<std::ptrdiff_t> blocks = BlockLengths(Run(section.collect, level));
      // One block per object, all alike (the same class defines the same properties), each
      // closed by the separator. Processes may come and go between two queries.
      if (std::string(section.name) != "Processes") {
        EXPECT_EQ(blocks.size(), objects);
      }
      ASSERT_FALSE(blocks.empty() && objects > 0);
      if (!blocks.empty()) {
        EXPECT_GT(blocks.front(), 1);
        EXPECT_EQ(std::count(blocks.begin(), blocks.end(), blocks.front()),
                  static_cast<std::ptrdiff_t>(blocks.size()));
      }
    }
  }
}

TEST_F(WineWmi, ClassesWineLacksPrintWhatAnEmptyResultPrints) {
  for (const char* wmiClass : {"Win32_SystemDriver", "Win32_NetworkProtocol", "Win32_StartupCommand"}) {
    SCOPED_TRACE(wmiClass);
    QueryStatus status = QueryStatus::Failed;
    EXPECT_TRUE(Delivered(wmiClass, "Name", &status).empty());
    EXPECT_EQ(status, QueryStatus::Ok);  // no rows, not an error: so no block of bare labels
  }
  for (Collect collect : {CollectDrivers, CollectNetworkProtocols, CollectStartupItems}) {
    for (int level = 1; level <= 3; ++level) EXPECT_EQ(Run(collect, level), Lines{});
  }
}

TEST_F(WineWmi, ListSectionsComeOutSorted) {
  struct Case {
    Collect collect;
    const char* wmiClass;
    const char* property;
    const char* label;
  };
  const Case cases[] = {
      {CollectServices, "Win32_Service", "DisplayName", "Display Name: "},
      {CollectProcesses, "Win32_Process", "Name", "Name: "},
      {CollectHardware, "Win32_PnPEntity", "DeviceID", "Device ID: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wmiClass);
    Lines delivered = Delivered(c.wmiClass, c.property);
    const Lines printed = ValuesOf(Run(c.collect, 1), c.label);
    ASSERT_GE(printed.size(), 3u);
    EXPECT_TRUE(std::is_permutation(printed.begin(), printed.end(), delivered.begin(), delivered.end()));
    if (c.collect == CollectHardware) {
      // Wine's devices have no caption: equal keys keep the order WMI delivered them in.
      EXPECT_EQ(ValuesOf(Run(c.collect, 1), "Caption: "), Lines(printed.size(), ""));
      EXPECT_EQ(printed, delivered);
    } else {
      EXPECT_TRUE(SortedIgnoringCase(printed));
    }
  }
  // Wine delivers its services by key name, so the sort by display name has work to do.
  EXPECT_FALSE(SortedIgnoringCase(Delivered("Win32_Service", "DisplayName")));
}

TEST_F(WineWmi, CpuAndDrivesPrintWhatTheClassDefines) {
  const Lines cpu = Run(CollectCpu, 1);
  ASSERT_FALSE(cpu.empty());
  EXPECT_EQ(ValuesOf(cpu, "Device ID: "), Lines{"CPU0"});
  EXPECT_EQ(ValuesOf(cpu, "Manufacturer: ").size(), 1u);
  // Wine's processor has no voltage: the line is left out rather than printed empty.
  const bool hasVoltage = !IsUnreadable([&] {
    auto result = wmi->ExecQuery("SELECT * FROM Win32_Processor");
    const WmiObject* processor = result->Next();
    return processor ? processor->Get("CurrentVoltage") : WmiValue{Unreadable{}};
  }());
  EXPECT_EQ(ValuesOf(cpu, "Current Voltage: ").size(), hasVoltage ? 1u : 0u);

  const Lines drives = Run(CollectDrives, 1);
  const Lines sizes = ValuesOf(drives, "Size: ");
  const Lines rawSizes = Delivered("Win32_DiskDrive", "Size");
  ASSERT_EQ(sizes.size(), rawSizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) EXPECT_EQ(sizes[i], FormatBytes(rawSizes[i]));
  EXPECT_EQ(ValuesOf(Run(CollectDrives, 2), "DeviceID: ").size(), rawSizes.size());
}

TEST_F(WineWmi, MemoryFromWmiAndThePerformanceRecord) {
  CapturedReport report;
  CollectMemory(report.writer(), *wmi, ReadPerformanceInfo, 3);
  const Lines lines = report.Lines();
  ASSERT_GE(lines.size(), 20u);
  EXPECT_EQ(lines[0], "(Installed Physical Memory Modules)");
  const auto pageFiles = std::find(lines.begin(), lines.end(), "(Page File Info)");
  const auto statistics = std::find(lines.begin(), lines.end(), "(Memory Stats)");
  ASSERT_NE(pageFiles, lines.end());
  ASSERT_NE(statistics, lines.end());

  // The real figures: total physical memory as the system reports it elsewhere.
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  const Lines expectedHead = {"Memory Total: " + FormatBytes(std::uint64_t{status.ullTotalPhys})};
  EXPECT_EQ(Lines(statistics + 1, statistics + 2), expectedHead);
  EXPECT_EQ(ValuesOf(lines, "Page Size: "), Lines{"4096"});
  EXPECT_EQ(std::count(statistics, lines.end(), kSeparator), 1);
  EXPECT_EQ(lines.end() - statistics, 1 + 14 + 1);

  // Each module line is "<bank> - Size <capacity>", as many as WMI has modules.
  const Lines banks = Delivered("Win32_PhysicalMemory", "BankLabel");
  const Lines capacities = Delivered("Win32_PhysicalMemory", "Capacity");
  Lines modules(lines.begin() + 1, pageFiles - 1);
  Lines expectedModules;
  for (std::size_t i = 0; i < banks.size(); ++i) {
    expectedModules.push_back(banks[i] + " - Size " + FormatBytes(capacities[i]));
  }
  if (expectedModules.empty()) expectedModules.push_back("Unable to Detect");
  EXPECT_EQ(modules, expectedModules);
  EXPECT_EQ(std::count(pageFiles, statistics, std::string("Temp Page File: False")),
            static_cast<std::ptrdiff_t>(std::max<std::size_t>(
                1, Delivered("Win32_PageFileUsage", "Name").size())));
}

// The raw VARIANT of a property of the first object, as WMI hands it over.
struct RawValue {
  VARTYPE type = VT_EMPTY;
  LONG asSigned = 0;
  CIMTYPE cimType = CIM_EMPTY;
};

RawValue FirstObjectRaw(const char* query, const wchar_t* property) {
  using Microsoft::WRL::ComPtr;
  RawValue raw;
  ComPtr<IEnumWbemClassObject> result;
  if (FAILED(StartWmiQuery(query, &result))) return raw;
  ComPtr<IWbemClassObject> object;
  ULONG returned = 0;
  if (!result || result->Next(10'000, 1, &object, &returned) != WBEM_S_NO_ERROR) return raw;
  VARIANT value;
  VariantInit(&value);
  if (SUCCEEDED(object->Get(property, 0, &value, &raw.cimType, nullptr))) {
    raw.type = value.vt;
    if (value.vt == VT_I4) raw.asSigned = value.lVal;
  }
  VariantClear(&value);
  return raw;
}

// Wine reports the video adapter's memory in the uint32 AdapterRAM; with a display (Xvfb) it
// gives 4,293,918,720 bytes here, above the signed 32-bit range of the VARIANT that carries it.
TEST_F(WineWmi, UnsignedValuesAboveTheSignedRangePrintPositive) {
  const RawValue raw = FirstObjectRaw("SELECT * FROM Win32_VideoController", L"AdapterRAM");
  ASSERT_EQ(raw.cimType, CIM_UINT32);
  ASSERT_EQ(raw.type, VT_I4);
  if (raw.asSigned >= 0) {
    GTEST_SKIP() << "AdapterRAM is " << raw.asSigned
                 << " here (no display?): no value above the signed range to read";
  }
  // Read naively the value is negative; the section must print its unsigned reading.
  const std::string unsignedText = std::to_string(static_cast<std::uint32_t>(raw.asSigned));

  constexpr std::array<std::string_view, 2> columns{"Name", "AdapterRAM"};
  constexpr std::array<TableLine, 2> lines{{{"Name: ", "Name", {1, 1, 1}},
                                            {"Adapter RAM: ", "AdapterRAM", {1, 1, 1}}}};
  CapturedReport report;
  PrintSortedWmiSection(report.writer(), *wmi, "SELECT * FROM Win32_VideoController",
                        SortedSection{columns, "Name", lines}, 1);
  EXPECT_EQ(ValuesOf(report.Lines(), "Adapter RAM: "), Lines{unsignedText});
  EXPECT_GT(std::stoull(unsignedText), 2'147'483'647u);
}

TEST(WmiSectionsRunner, WritesEveryCategoryAtEachLevel) {
  testing::TempFolder folder;
  const char* categories[] = {"CPU", "Drives", "Drivers", "Hardware", "Memory (Ram)",
                              "Network Protocols", "Processes", "Services", "Startup Items"};
  const char* levels[] = {"basic", "moderate", "advanced"};
  const char* captions[] = {"Basic", "Moderate", "Advanced"};
  for (int level = 0; level < 3; ++level) {
    SCOPED_TRACE(levels[level]);
    const std::string out = folder.File(std::string(levels[level]) + ".txt");
    std::vector<std::string> args = {"--out", out, "--level", levels[level]};
    for (const char* category : categories) {
      args.push_back("--category");
      args.push_back(category);
    }
    const auto run = testing::RunProgram("sysinfo-report.exe", args);
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    std::string bytes;
    ASSERT_TRUE(testing::ReadWholeFile(out, bytes));
    const Lines lines = testing::SplitLines(bytes);
    // Each category's block sits between its own start and end lines, in check-list order.
    auto at = lines.begin();
    for (std::size_t i = 0; i < std::size(categories); ++i) {
      const std::string number = std::to_string(i + 1) + ". " + categories[i];
      const auto start = std::find(at, lines.end(), number + " (Detail Level: " + captions[level] + ") Start");
      ASSERT_NE(start, lines.end()) << number;
      const auto end = std::find(start, lines.end(), number + " End");
      ASSERT_NE(end, lines.end()) << number;
      const auto body = end - start - 2;  // less the start line and the separator under it
      const bool wineHasRows = std::string(categories[i]) != "Drivers" &&
                               std::string(categories[i]) != "Network Protocols" &&
                               std::string(categories[i]) != "Startup Items";
      if (wineHasRows) {
        EXPECT_GT(body, 1) << number;
      } else {
        EXPECT_EQ(body, 0) << number;
      }
      at = end;
    }
  }
}

}  // namespace
}  // namespace sysinfo
