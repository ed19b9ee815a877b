#include <gtest/gtest.h>

#include "app/format.h"
#include "app/scan.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::MemorySink;
using testing::SplitLines;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);

class RecordingHost final : public ScanHost {
 public:
  std::string answer = "C:\\Users\\ann\\Desktop\\report.txt";
  bool failCreate = false;
  int failAtWrite = -1;

  std::string bytes;
  std::string proposed;
  std::vector<std::string> statuses;
  std::vector<std::size_t> done;
  int starts = 0;
  int finishes = 0;
  ScanOutcome finished;

  std::string AskReportPath(const std::string& initial) override {
    proposed = initial;
    return answer;
  }
  std::unique_ptr<ReportSink> CreateReport(const std::string&, std::string& reason) override {
    if (failCreate) {
      reason = "The system cannot find the path specified.";
      return nullptr;
    }
    return std::make_unique<MemorySink>(bytes, failAtWrite);
  }
  void ScanStarting() override { ++starts; }
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  std::string ShortDate() override { return "06/12/2026"; }
  std::string ShortTime() override { return "16:30:00"; }
  void CategoryDone(std::size_t index, const CategoryOutcome&) override { done.push_back(index); }
  void ScanFinished(const ScanOutcome& outcome) override {
    ++finishes;
    finished = outcome;
  }
};

ScanRequest Request(std::initializer_list<const char*> ticked, int level) {
  ScanRequest request;
  request.caption = ProgramCaption(1, 0, 2);
  request.level = level;
  request.hostsPath = "C:\\Windows\\System32\\drivers\\etc\\hosts";
  request.proposedPath = "C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt";
  for (const char* text : ticked) request.ticked[*FindCategory(text)] = true;
  return request;
}

// Every collector writes one line naming its category and the level it was given.
Collectors EchoCollectors() {
  Collectors collectors;
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    collectors[i] = [i](ReportWriter& report, int level) {
      report.WriteReportLine(std::string(kCategories[i].text) + " body at " + std::to_string(level));
    };
  }
  return collectors;
}

const Lines kHeaderStart = {"Veltrix - System Information v1.0.2", "", "Date: 06/12/2026",
                            "Time: 16:30:00", ""};

TEST(ScanFrame, NothingTickedWritesOnlyTheHeader) {
  RecordingHost host;
  const ScanOutcome outcome = RunScan(Request({}, 1), EchoCollectors(), host);
  Lines expected = kHeaderStart;
  expected.push_back("");
  EXPECT_EQ(SplitLines(host.bytes), expected);
  EXPECT_EQ(outcome.result, ScanResult::Saved);
  EXPECT_EQ(host.finishes, 1);
  EXPECT_EQ(host.proposed, "C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt");
}

TEST(ScanFrame, HostsAndProxyStartLinesCarryNoDetailText) {
  RecordingHost host;
  // Given in the wrong order on purpose: the report follows the check-list order.
  RunScan(Request({"Proxy Info", "Host File Info"}, 3), EchoCollectors(), host);
  Lines expected = kHeaderStart;
  const Lines rest = {
      "1. Host File Info",
      "2. Proxy Info",
      "",
      kSeparator,
      "1. Host File Info Start (C:\\Windows\\System32\\drivers\\etc\\hosts)",
      kSeparator,
      "Host File Info body at 3",
      "1. Host File Info End",
      kSeparator,
      kSeparator,
      "2. Proxy Info Start",
      kSeparator,
      "Proxy Info body at 3",
      "2. Proxy Info End",
      kSeparator,
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(SplitLines(host.bytes), expected);
}

TEST(ScanFrame, NumbersTickedCategoriesWithoutGapsAndPassesTheLevel) {
  RecordingHost host;
  RunScan(Request({"CPU", "Operating System", "Suspicious Files!", "Memory (Ram)"}, 2),
          EchoCollectors(), host);
  const Lines lines = SplitLines(host.bytes);
  const Lines list(lines.begin() + 5, lines.begin() + 9);
  EXPECT_EQ(list, (Lines{"1. Operating System", "2. CPU", "3. Memory (Ram)", "4. Suspicious Files!"}));
  const Lines starts = {"1. Operating System (Detail Level: Moderate) Start",
                        "2. CPU (Detail Level: Moderate) Start",
                        "3. Memory (Ram) (Detail Level: Moderate) Start",
                        "4. Suspicious Files! (Detail Level: Moderate) Start"};
  Lines foundStarts;
  Lines foundEnds;
  for (const std::string& line : lines) {
    if (line.ends_with(" Start")) foundStarts.push_back(line);
    if (line.ends_with(" End")) foundEnds.push_back(line);
  }
  EXPECT_EQ(foundStarts, starts);
  EXPECT_EQ(foundEnds, (Lines{"1. Operating System End", "2. CPU End", "3. Memory (Ram) End",
                              "4. Suspicious Files! End"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CPU body at 2"), lines.end());
  EXPECT_EQ(host.statuses, (Lines{"Status: Scanning Operating System ...", "Status: Scanning CPU ...",
                                  "Status: Scanning Memory (Ram) ...",
                                  "Status: Scanning For Suspicious Files!", "Status: Done"}));
  EXPECT_EQ(host.done, (std::vector<std::size_t>{0, 2, 7, 14}));
  EXPECT_EQ(lines.back(), kSeparator);
}

TEST(ScanFrame, ACategoryWithoutCollectorKeepsItsFrame) {
  RecordingHost host;
  RunScan(Request({"Drives"}, 1), Collectors{}, host);
  const Lines lines = SplitLines(host.bytes);
  const Lines tail(lines.end() - 5, lines.end());
  EXPECT_EQ(tail, (Lines{kSeparator, "1. Drives (Detail Level: Basic) Start", kSeparator,
                         "1. Drives End", kSeparator}));
}

TEST(ScanFrame, CancellingWritesNothing) {
  RecordingHost host;
  host.answer = "";
  const ScanOutcome outcome = RunScan(Request({"CPU"}, 1), EchoCollectors(), host);
  EXPECT_EQ(outcome.result, ScanResult::Cancelled);
  EXPECT_EQ(host.bytes, "");
  EXPECT_EQ(host.starts, 0);
  EXPECT_EQ(host.finishes, 0);
}

TEST(ScanFrame, AReportThatCannotBeCreatedIsAFailureWithItsReason) {
  RecordingHost host;
  host.failCreate = true;
  const ScanOutcome outcome = RunScan(Request({"CPU"}, 1), EchoCollectors(), host);
  EXPECT_EQ(outcome.result, ScanResult::Failed);
  EXPECT_EQ(outcome.error, "The system cannot find the path specified.");
  EXPECT_EQ(host.finished.result, ScanResult::Failed);
  EXPECT_EQ(host.finished.path, "C:\\Users\\ann\\Desktop\\report.txt");
}

TEST(ScanFrame, AFailedWriteEndsTheScanAsAFailure) {
  RecordingHost host;
  host.failAtWrite = 0;  // the disk is full at the first flush
  int collected = 0;
  Collectors collectors;
  for (auto& collector : collectors) {
    collector = [&collected](ReportWriter& report, int) {
      ++collected;
      for (int i = 0; i < 2000; ++i) report.WriteReportLine(std::string(100, 'x'));
    };
  }
  ScanRequest request = Request({}, 3);
  request.ticked.fill(true);
  const ScanOutcome outcome = RunScan(request, collectors, host);
  EXPECT_EQ(outcome.result, ScanResult::Failed);
  EXPECT_EQ(outcome.error, "There is not enough space on the disk.");
  EXPECT_EQ(collected, 1);  // the scan stops instead of collecting into a broken file
}

TEST(ReportWriter, WritesCrLfLinesAndKeepsTheFirstFailure) {
  std::string bytes;
  {
    ReportWriter report(std::make_unique<MemorySink>(bytes));
    report.WriteReportLine("one");
    report.WriteReportLine("");
    report.WriteReportLine("caf\xC3\xA9");
    EXPECT_TRUE(report.CloseReport());
    EXPECT_EQ(report.LinesWritten(), 3u);
  }
  EXPECT_EQ(bytes, "one\r\n\r\ncaf\xC3\xA9\r\n");

  std::string partial;
  ReportWriter failing(std::make_unique<MemorySink>(partial, 1));
  const std::string line(1000, 'a');
  for (int i = 0; i < 100; ++i) failing.WriteReportLine(line);  // one flush of 64 KiB succeeds
  EXPECT_FALSE(failing.Failed());
  for (int i = 0; i < 200; ++i) failing.WriteReportLine(line);
  EXPECT_FALSE(failing.CloseReport());
  EXPECT_EQ(failing.Error(), "There is not enough space on the disk.");
  EXPECT_EQ(partial.size() % 1002, 0u);  // only whole lines reached the disk
  EXPECT_GT(partial.size(), 0u);
}

TEST(Categories, FixedOrderAndLookup) {
  EXPECT_EQ(kCategories.size(), 15u);
  EXPECT_EQ(kCategories.front().text, "Operating System");
  EXPECT_EQ(kCategories.back().text, "Suspicious Files!");
  EXPECT_EQ(FindCategory("Memory (Ram)"), 7u);
  EXPECT_EQ(FindCategory("memory (ram)"), std::nullopt);
  EXPECT_EQ(ProgramCaption(1, 0, 2), "Veltrix - System Information v1.0.2");
}

}  // namespace
}  // namespace sysinfo

namespace sysinfo {
namespace {

// A window closed mid-scan closes the open report it was given: the lines so far are kept.
class ClosingHost final : public ScanHost {
 public:
  std::string bytes;
  ReportWriter* open = nullptr;
  std::string AskReportPath(const std::string&) override { return "C:\\report.txt"; }
  std::unique_ptr<ReportSink> CreateReport(const std::string&, std::string&) override {
    return std::make_unique<testing::MemorySink>(bytes);
  }
  void ReportOpened(ReportWriter& report) override { open = &report; }
  void ScanStarting() override {}
  void ShowStatus(const std::string&) override {}
  std::string ShortDate() override { return "06/12/2026"; }
  std::string ShortTime() override { return "16:30:00"; }
  void CategoryDone(std::size_t, const CategoryOutcome&) override {}
  void ScanFinished(const ScanOutcome&) override {}
};

TEST(ScanFrame, TheOpenReportCanBeClosedMidScan) {
  ClosingHost host;
  ScanRequest request;
  request.caption = ProgramCaption(1, 0, 2);
  request.ticked[0] = request.ticked[1] = true;
  Collectors collectors;
  collectors[0] = [&host](ReportWriter& report, int) {
    report.WriteReportLine("first section line");
    ASSERT_EQ(host.open, &report);
    host.open->CloseReport();  // what the window does when it is closed now
    report.WriteReportLine("never written");
  };
  RunScan(request, collectors, host);
  const auto lines = testing::SplitLines(host.bytes);
  ASSERT_EQ(lines.size(), 12u) << host.bytes;
  EXPECT_EQ(lines[0], "Veltrix - System Information v1.0.2");
  EXPECT_EQ(lines[5], "1. Operating System");
  EXPECT_EQ(lines[9], "1. Operating System (Detail Level: Basic) Start");
  EXPECT_EQ(lines[11], "first section line");
}

}  // namespace
}  // namespace sysinfo
