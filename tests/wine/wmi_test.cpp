// The WMI sections against Wine's real WMI: classes, missing properties, VARIANT types, stalls.
#include <gtest/gtest.h>

#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>

#include "base/handles_win.h"
#include "base/report_file_win.h"
#include "base/unicode_win.h"
#include "collectors/collectors.h"
#include "collectors/performance_win.h"
#include "collectors/wmi_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;
using Collect = void (*)(ReportWriter&, WmiService&, int);

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

  WmiValue OperatingSystemValue(const char* property) {
    auto result = wmi->ExecQuery("SELECT * FROM Win32_OperatingSystem");
    const WmiObject* os = result->Next();
    return os ? os->Get(property) : WmiValue{Unreadable{}};
  }
};

Lines ValuesOf(const Lines& lines, const std::string& label) {
  Lines values;
  for (const std::string& line : lines) {
    if (line.rfind(label, 0) == 0) values.push_back(line.substr(label.size()));
  }
  return values;
}

// Memory is collected with its own reader of the performance figures and tested on its own.
TEST_F(WineWmi, EverySectionPrintsOneBlockPerObjectAtEachLevel) {
  struct Section {
    Collect collect;
    const char* wmiClass;
  };
  const Section sections[] = {
      {CollectOperatingSystem, "Win32_OperatingSystem"}, {CollectComputerSystem, "Win32_ComputerSystem"},
      {CollectCpu, "Win32_Processor"},                   {CollectDrives, "Win32_DiskDrive"},
      {CollectDrivers, "Win32_SystemDriver"},            {CollectHardware, "Win32_PnPEntity"},
      {CollectNetworkProtocols, "Win32_NetworkProtocol"}, {CollectProcesses, "Win32_Process"},
      {CollectServices, "Win32_Service"},                {CollectStartupItems, "Win32_StartupCommand"},
  };
  for (const Section& section : sections) {
    // A class Wine lacks answers with no rows, not an error: so no block of bare labels.
    QueryStatus status = QueryStatus::Failed;
    const std::size_t objects = Delivered(section.wmiClass, "__CLASS", &status).size();
    EXPECT_EQ(status, QueryStatus::Ok) << section.wmiClass;
    for (int level = 1; level <= 3; ++level) {
      SCOPED_TRACE(std::string(section.wmiClass) + " level " + std::to_string(level));
      const Lines lines = Run(section.collect, level);
      // One block per object, all alike (the same class defines the same properties), each
      // closed by the separator. Processes may come and go between two queries.
      const std::vector<Lines> blocks = Records(lines);
      if (section.collect != CollectProcesses) {
        EXPECT_EQ(blocks.size(), objects);
      }
      ASSERT_FALSE(blocks.empty() && objects > 0);
      for (const Lines& block : blocks) EXPECT_EQ(block.size(), blocks.front().size());
      EXPECT_EQ(lines.size(), blocks.size() * (blocks.empty() ? 0 : blocks.front().size() + 1));
    }
  }
}

TEST_F(WineWmi, OperatingSystemAtAdvanced) {
  const Lines lines = Run(CollectOperatingSystem, 3);
  ASSERT_GE(lines.size(), 3u);
  // The caption line: "<caption> (<architecture>) <version> <service pack>".
  EXPECT_NE(lines.front().find("Windows"), std::string::npos) << lines.front();
  EXPECT_NE(lines.front().find(" (64-bit) "), std::string::npos) << lines.front();
  EXPECT_EQ(ValuesOf(lines, "OS Language: "), Lines{"English - United States"});
  EXPECT_EQ(ValuesOf(lines, "Product Type: "), Lines{"1 - Work Station"});

  // A property Wine does not give is left out, not printed empty.
  const std::pair<const char*, const char*> plainLines[] = {
      {"Status: ", "Status"}, {"Number Of Users: ", "NumberOfUsers"},
      {"Registered User: ", "RegisteredUser"}, {"Organization: ", "Organization"},
      {"Serial Number: ", "SerialNumber"}, {"Country Code: ", "CountryCode"},
      {"Current Time Zone: ", "CurrentTimeZone"}, {"Encryption Level: ", "EncryptionLevel"},
      {"Boot Device: ", "BootDevice"}, {"System Device: ", "SystemDevice"},
      {"System Directory: ", "SystemDirectory"}, {"System Drive: ", "SystemDrive"},
      {"Windows Directory: ", "WindowsDirectory"},
      {"Data Execution Prevention Available: ", "DataExecutionPrevention_Available"},
  };
  int lacking = 0;
  for (const auto& [label, property] : plainLines) {
    const WmiValue value = OperatingSystemValue(property);
    lacking += IsUnreadable(value);
    const Lines expected = IsUnreadable(value) ? Lines{} : Lines{*ValueText(value)};
    EXPECT_EQ(ValuesOf(lines, label), expected) << property;
  }
  EXPECT_LT(lacking, 14) << "Wine answers most of these: the test must see both kinds";

  // Unsigned and 64-bit values keep their type; TotalVisibleMemorySize comes as text.
  const WmiValue memory = OperatingSystemValue("TotalVisibleMemorySize");
  if (!IsUnreadable(memory) && !IsNull(memory)) {
    EXPECT_TRUE(std::holds_alternative<std::uint64_t>(memory)) << ValueText(memory).value_or("?");
  }
  const WmiValue language = OperatingSystemValue("OSLanguage");
  ASSERT_TRUE(std::holds_alternative<std::uint64_t>(language));
  EXPECT_EQ(std::get<std::uint64_t>(language), 1033u);
  EXPECT_EQ(Delivered("Win32_NoSuchClassAnywhere", "Name"), Lines{});
}

TEST_F(WineWmi, MemoryFromWmiAndThePerformanceRecord) {
  CapturedReport report;
  CollectMemory(report.writer(), *wmi, ReadPerformanceInfo, 3);
  const Lines lines = report.Lines();
  ASSERT_GE(lines.size(), 20u);
  EXPECT_EQ(lines[0], "(Installed Physical Memory Modules)");
  const auto pageFiles = std::find(lines.begin(), lines.end(), "(Page File Info)");
  const auto statistics = std::find(lines.begin(), lines.end(), "(Memory Stats)");
  ASSERT_LT(statistics, lines.end());
  ASSERT_LT(pageFiles, statistics);

  // The real figures: total physical memory as the system reports it elsewhere.
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  EXPECT_EQ(statistics[1], "Memory Total: " + FormatBytes(std::uint64_t{status.ullTotalPhys}));
  EXPECT_EQ(ValuesOf(lines, "Page Size: "), Lines{"4096"});
  ASSERT_EQ(lines.end() - statistics, 1 + 14 + 1);
  EXPECT_EQ(std::count(statistics, lines.end(), kSeparator), 1);

  // A module line for each module WMI has.
  const Lines banks = Delivered("Win32_PhysicalMemory", "BankLabel");
  const Lines capacities = Delivered("Win32_PhysicalMemory", "Capacity");
  Lines expectedModules;
  for (std::size_t i = 0; i < banks.size(); ++i) {
    expectedModules.push_back(banks[i] + " - Size " + FormatBytes(capacities[i]));
  }
  if (expectedModules.empty()) expectedModules.push_back("Unable to Detect");
  EXPECT_EQ(Lines(lines.begin() + 1, pageFiles - 1), expectedModules);
  EXPECT_EQ(std::count(pageFiles, statistics, std::string("Temp Page File: False")),
            static_cast<std::ptrdiff_t>(std::max<std::size_t>(1, Delivered("Win32_PageFileUsage", "Name").size())));
}

// Values as WMI hands them over, whatever VARIANT type carries them; a null text pointer is
// empty text, and no 64-bit value.
TEST(WmiValues, EachCimTypeFromItsVariant) {
  struct Case {
    CIMTYPE type;
    VARTYPE carrier;
    std::int64_t bits;    // the VARIANT's integer, read at its type's width
    const wchar_t* text;  // a VT_BSTR's text; nothing for a null pointer
    WmiValue expected;
  };
  const Case cases[] = {
      {CIM_SINT32, VT_I4, -300, nullptr, std::int64_t{-300}},
      {CIM_UINT8, VT_UI1, 0xC8, nullptr, std::uint64_t{200}},
      {CIM_UINT16, VT_I2, -2, nullptr, std::uint64_t{65'534}},
      {CIM_UINT32, VT_I4, -1'048'576, nullptr, std::uint64_t{4'293'918'720}},
      {CIM_SINT64, VT_BSTR, 0, L"-9000000000", std::int64_t{-9'000'000'000}},
      {CIM_UINT64, VT_BSTR, 0, L"18446744073709551615", std::uint64_t{18'446'744'073'709'551'615u}},
      {CIM_UINT64, VT_BSTR, 0, L"12 GB", std::string("12 GB")},
      {CIM_UINT64, VT_UI8, INT64_MIN, nullptr, std::uint64_t{1ull << 63}},
      {CIM_SINT64, VT_I8, -5, nullptr, std::int64_t{-5}},
      {CIM_BOOLEAN, VT_BOOL, VARIANT_TRUE, nullptr, true},
      {CIM_STRING | CIM_FLAG_ARRAY, VT_ARRAY | VT_BSTR, 0, nullptr, Unreadable{}},
      {CIM_STRING, VT_NULL, 0, nullptr, Null{}},
      {CIM_UINT32, VT_EMPTY, 0, nullptr, Null{}},
      {CIM_STRING, VT_BSTR, 0, nullptr, std::string()},
      {CIM_SINT64, VT_BSTR, 0, nullptr, Unreadable{}},
      {CIM_UINT64, VT_BSTR, 0, nullptr, Unreadable{}},
  };
  for (const Case& c : cases) {
    UniqueVariant held;
    VARIANT& value = *held.get();
    value.vt = c.carrier;
    value.llVal = c.bits;
    if (c.text) value.bstrVal = SysAllocString(c.text);
    EXPECT_EQ(ToWmiValue(value, c.type), c.expected) << "CIM type " << c.type << ", VARIANT type " << c.carrier;
  }
}

// Passes the first objects of a real enumeration through, then stops answering the way a hung
// provider does: every later Next waits out its timeout and reports WBEM_S_TIMEDOUT.
class StallingEnumerator final : public IEnumWbemClassObject {
 public:
  StallingEnumerator(Microsoft::WRL::ComPtr<IEnumWbemClassObject> real, int objectsBeforeStall,
                     bool waits)
      : real_(std::move(real)), left_(objectsBeforeStall), waits_(waits) {}

  std::vector<long> timeouts;  // what each Next call was willing to wait

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    const bool known = iid == IID_IUnknown || iid == IID_IEnumWbemClassObject;
    *object = known ? static_cast<IEnumWbemClassObject*>(this) : nullptr;
    if (known) AddRef();
    return known ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // owned by the test

  HRESULT STDMETHODCALLTYPE Next(long timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) override {
    timeouts.push_back(timeout);
    if (left_-- > 0) return real_->Next(timeout, count, objects, returned);
    if (waits_) Sleep(static_cast<DWORD>(timeout));
    *returned = 0;
    return WBEM_S_TIMEDOUT;
  }
  HRESULT STDMETHODCALLTYPE Reset() override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Skip(long, ULONG) override { return WBEM_E_NOT_SUPPORTED; }

 private:
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> real_;
  int left_;
  bool waits_;  // for real, rather than answering at once that the time is up
  ULONG references_ = 1;
};

// The real operating-system query, stalling after `objects` objects.
class StallingWmi final : public WmiService {
 public:
  explicit StallingWmi(int objects, bool waits = false) : objects_(objects), waits_(waits) {}
  std::unique_ptr<StallingEnumerator> enumerator;

  std::unique_ptr<WmiResult> ExecQuery(std::string_view) override {
    Microsoft::WRL::ComPtr<IEnumWbemClassObject> real;
    StartWmiQuery("SELECT * FROM Win32_OperatingSystem", &real);
    enumerator = std::make_unique<StallingEnumerator>(real, objects_, waits_);
    return MakeWmiResult(enumerator.get());
  }

 private:
  int objects_;
  bool waits_;
};

TEST(WmiFaults, AProviderThatStopsAnsweringEndsTheSectionAsAFailedEnumeration) {
  ComApartment com;
  for (const int objectsBeforeStall : {0, 1}) {
    StallingWmi wmi(objectsBeforeStall);
    CapturedReport report;
    CollectOperatingSystem(report.writer(), wmi, 1);
    const Lines lines = report.Lines();
    if (objectsBeforeStall > 0) {  // the object's block is kept
      ASSERT_GT(lines.size(), 3u);
      EXPECT_NE(lines.front().find("Windows"), std::string::npos);
      EXPECT_EQ(lines.back(), kSeparator);
    } else {
      EXPECT_EQ(lines, Lines{kSeparator});  // as a failed query prints
    }
    // Every wait is bounded by the named constant, never infinite.
    ASSERT_FALSE(wmi.enumerator->timeouts.empty());
    for (long timeout : wmi.enumerator->timeouts) EXPECT_EQ(timeout, kWmiObjectWaitMs);
  }

  // The result says it timed out and why, and does not ask the provider again.
  StallingWmi wmi(0);
  auto result = wmi.ExecQuery("");
  EXPECT_EQ(result->Next(), nullptr);
  EXPECT_EQ(result->Status(), QueryStatus::TimedOut);
  EXPECT_EQ(result->Error(), "WMI did not answer within 30 seconds");
  EXPECT_EQ(result->Next(), nullptr);
  EXPECT_EQ(wmi.enumerator->timeouts.size(), 1u);
}

// A line before the section, then the section's first object, then a provider that stops answering.
void WriteUntilTheStall(ReportWriter& report, bool waits) {
  StallingWmi wmi(1, waits);
  report.WriteReportLine("Before the section");
  CollectOperatingSystem(report, wmi, 3);
}

// Run as a child process by the next test, which ends it while the provider stalls.
TEST(WmiFaults, DISABLED_WritesAReportUntilAProviderStalls) {
  ComApartment com;
  std::string reason;
  ReportWriter report(CreateFileReport(WideToUtf8(_wgetenv(L"SYSINFO_STALLED_REPORT")), reason));
  WriteUntilTheStall(report, true);
}

// Ended from outside (End Task, log-off) while it waits on a provider, the program has already
// put every finished line into the file. Values may differ between two runs: labels are compared.
TEST(WmiFaults, AProcessEndedWhileAProviderStallsKeepsEveryFinishedLine) {
  ComApartment com;
  CapturedReport wanted;
  WriteUntilTheStall(wanted.writer(), false);
  const auto labels = [](const Lines& lines) {
    Lines cut;
    for (const std::string& line : lines) cut.push_back(line.substr(0, line.find(": ")));
    return cut;
  };
  TempFolder folder;
  const std::string path = folder.File("stalled.txt");
  SetEnvironmentVariableW(L"SYSINFO_STALLED_REPORT", Utf8ToWide(path).c_str());
  std::array<wchar_t, MAX_PATH> self{};
  GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self.data()) + L"\" --gtest_also_run_disabled_tests "
                         L"--gtest_filter=WmiFaults.DISABLED_WritesAReportUntilAProviderStalls";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));
  const UniqueHandle process = AdoptHandle(child.hProcess);
  const UniqueHandle thread = AdoptHandle(child.hThread);
  std::string bytes;
  for (int wait = 0; wait < 400 && SplitLines(bytes).size() < wanted.Lines().size(); ++wait) {
    Sleep(50);  // until the lines before the stall are in the file, or long enough to give up
    ReadWholeFile(path, bytes);
  }
  ASSERT_EQ(WaitForSingleObject(process.get(), 0), WAIT_TIMEOUT) << "the child no longer waits";
  TerminateProcess(process.get(), 1);
  WaitForSingleObject(process.get(), INFINITE);
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_TRUE(bytes.ends_with("\r\n"));
  EXPECT_EQ(labels(SplitLines(bytes)), labels(wanted.Lines()));
}

}  // namespace
}  // namespace sysinfo
