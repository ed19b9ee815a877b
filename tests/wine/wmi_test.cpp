// WMI under Wine: the memory figures, VARIANT types against CIM types, a provider that stalls,
// the event subscriptions and BITS jobs the autostart entries read.
#include <gtest/gtest.h>

#include <windows.h>
#include <bits.h>
#include <bits1_5.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <string>

#include "base/handles_win.h"
#include "report/report_file_win.h"
#include "base/unicode_win.h"
#include "collectors/collectors.h"
#include "collectors/autostart_win.h"
#include "collectors/performance_win.h"
#include "collectors/wmi_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/stalling_wmi.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;
using Microsoft::WRL::ComPtr;

class WineWmi : public ::testing::Test {
 protected:
  ComApartment com;
  std::unique_ptr<WmiService> wmi = MakeWmiService();
};

// The memory figures through the platform's own performance record.
TEST_F(WineWmi, MemoryFromWmiAndThePerformanceRecord) {
  CapturedReport report;
  CollectMemory(report.writer(), *wmi, ReadPerformanceInfo, DetailLevel::Advanced);
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
  EXPECT_EQ(lines.end() - statistics, 1 + 14 + 1);
}

// Values as WMI hands them over, whatever VARIANT type carries them; a null text pointer is
// empty text, and no 64-bit value.
TEST(WmiValues, EachCimTypeFromItsVariant) {
  struct Case {
    CIMTYPE type;
    VARTYPE carrier;
    std::int64_t bits;  // the VARIANT's integer, read at its type's width
    const wchar_t* text;  // a VT_BSTR's text; nothing for a null pointer
    SourceValue expected;
  };
  // clang-format off
  const Case cases[] = {
      {CIM_SINT32, VT_I4, -300, nullptr, std::int64_t{-300}}, {CIM_SINT64, VT_I8, -5, nullptr, std::int64_t{-5}},
      {CIM_UINT8, VT_UI1, 0xC8, nullptr, std::uint64_t{200}}, {CIM_UINT16, VT_I2, -2, nullptr, std::uint64_t{65'534}},
      {CIM_UINT32, VT_I4, -1'048'576, nullptr, std::uint64_t{4'293'918'720}},
      {CIM_SINT64, VT_BSTR, 0, L"-9000000000", std::int64_t{-9'000'000'000}},
      {CIM_UINT64, VT_BSTR, 0, L"18446744073709551615", std::uint64_t{18'446'744'073'709'551'615u}},
      {CIM_UINT64, VT_BSTR, 0, L"12 GB", std::string("12 GB")},
      {CIM_UINT64, VT_UI8, INT64_MIN, nullptr, std::uint64_t{1ull << 63}},
      {CIM_BOOLEAN, VT_BOOL, VARIANT_TRUE, nullptr, true},
      {CIM_STRING | CIM_FLAG_ARRAY, VT_ARRAY | VT_BSTR, 0, nullptr, Unreadable{}},
      {CIM_STRING, VT_NULL, 0, nullptr, Null{}}, {CIM_UINT32, VT_EMPTY, 0, nullptr, Null{}},
      {CIM_STRING, VT_BSTR, 0, nullptr, std::string()}, {CIM_SINT64, VT_BSTR, 0, nullptr, Unreadable{}},
      {CIM_UINT64, VT_BSTR, 0, nullptr, Unreadable{}},
  };
  // clang-format on
  for (const Case& c : cases) {
    UniqueVariant held;
    VARIANT& value = *held.get();
    value.vt = c.carrier;
    value.llVal = c.bits;
    if (c.text) value.bstrVal = SysAllocString(c.text);
    EXPECT_EQ(ToWmiValue(value, c.type), c.expected)
        << "CIM type " << c.type << ", VARIANT type " << c.carrier;
  }
}

// Wine has no root\subscription and no binding in root\default: a namespace lists its bindings
// or is absent, neither a failure. A BITS job made to run a program when it ends is read back with
// it; Wine's BITS cannot say which program a job notifies, which is no failure.
TEST(WmiSubscriptions, EachNamespaceListsItsBindingsOrIsAbsentAndBitsJobsNameTheirProgram) {
  ComApartment com;
  WindowsAutostartSystem system;
  for (const std::string_view wmiNamespace : {"root\\subscription", "root\\default"}) {
    const auto read = system.EventSubscriptions(wmiNamespace);
    EXPECT_FALSE(read.Failed()) << wmiNamespace << ": " << read.error->message;
    for (const EventSubscription& binding : read.value.value_or(std::vector<EventSubscription>{}))
      EXPECT_EQ(binding.wmiNamespace, wmiNamespace);
  }

  ComPtr<IBackgroundCopyManager> manager;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(__uuidof(BackgroundCopyManager), nullptr,
                                            CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager)));
  GUID id{};
  ComPtr<IBackgroundCopyJob> job;
  ComPtr<IBackgroundCopyJob2> job2;
  ASSERT_HRESULT_SUCCEEDED(manager->CreateJob(L"notify test", BG_JOB_TYPE_DOWNLOAD, &id, &job));
  const bool held = SUCCEEDED(job.As(&job2)) &&
                    SUCCEEDED(job2->SetNotifyCmdLine(L"C:\\windows\\notepad.exe", L"notepad.exe"));
  const auto jobs = system.BitsJobs();
  job->Cancel();
  EXPECT_FALSE(jobs.Failed()) << jobs.error->message;
  if (held) {
    ASSERT_TRUE(jobs.value);
    EXPECT_TRUE(std::any_of(jobs.value->begin(), jobs.value->end(), [](const BitsJob& read) {
      return read.name == "notify test" && read.notifyProgram == "C:\\windows\\notepad.exe";
    }));
  } else {
    EXPECT_FALSE(jobs.value);  // this BITS cannot say which program a job notifies
  }
}

TEST(WmiFaults, AProviderThatStopsAnsweringEndsTheSectionAsAFailedEnumeration) {
  ComApartment com;
  for (const int objectsBeforeStall : {0, 1}) {
    StallingWmi wmi(objectsBeforeStall);
    CapturedReport report;
    CollectOperatingSystem(report.writer(), wmi, DetailLevel::Basic);
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
  EXPECT_EQ(result->Outcome(),
            (Error{ErrorKind::TimedOut, "WMI did not answer within 30 seconds"}));
  EXPECT_EQ(result->Next(), nullptr);
  EXPECT_EQ(wmi.enumerator->timeouts.size(), 1u);
}

// A line before the section, then the section's first object, then a provider that stops answering.
void WriteUntilTheStall(ReportWriter& report, bool waits) {
  StallingWmi wmi(1, waits);
  report.WriteReportLine("Before the section");
  CollectOperatingSystem(report, wmi, DetailLevel::Advanced);
}

// Run as a child process by the next test, which ends it while the provider stalls.
TEST(WmiFaults, DISABLED_WritesAReportUntilAProviderStalls) {
  ComApartment com;
  ReportWriter report(CreateFileReport(WideToUtf8(_wgetenv(L"SYSINFO_STALLED_REPORT"))).value);
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
  const UniqueHandle process =
      StartChildTest(L"WmiFaults.DISABLED_WritesAReportUntilAProviderStalls");
  ASSERT_TRUE(process);
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
