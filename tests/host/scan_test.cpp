// The report's frame around the collectors, and how a scan ends.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <latch>
#include <memory>
#include <regex>
#include <thread>

#include "base/format.h"
#include "base/levels.h"
#include "base/program.h"
#include "report/json_report.h"
#include "collectors/categories.h"
#include "scan/declared_categories.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::MemoryHost;
using testing::MemorySink;
using testing::SplitLines;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);
const char* const kHosts = "C:\\Windows\\System32\\drivers\\etc\\hosts";

ScanChoices Choices(std::initializer_list<const char*> ticked, DetailLevel level) {
  ScanChoices choices;
  choices.caption = ProgramCaption(1, 0, 2);
  choices.level = level;
  choices.path = "C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt";
  choices.ticked.resize(kCategoryCount);
  for (const char* text : ticked) choices.ticked[*FindCategory(text)] = true;
  choices.jobs = 1;
  return choices;
}

using CollectBody = std::function<void(ReportWriter&, std::size_t, DetailLevel)>;

// The category list framed as the program frames it, each collector replaced by `collect`.
class Categories final : public ScanCategories {
 public:
  explicit Categories(CollectBody collect) : collect_(std::move(collect)) {}
  std::size_t Count() const override { return kCategoryCount; }
  CategoryFrame Frame(std::size_t index, DetailLevel level) const override {
    return FrameOf(*kCategoryList[index], level, kHosts);
  }
  void Collect(ReportWriter& report, std::size_t index, DetailLevel level) override {
    collect_(report, index, level);
  }

 private:
  CollectBody collect_;
};

// Every collector writes a line naming its category and the level it got.
void Echo(ReportWriter& report, std::size_t index, DetailLevel level) {
  report.WriteReportLine(std::string(kCategoryList[index]->text) + " body at " +
                         std::to_string(LevelNumber(level)));
}

const Lines kHeader = {"Veltrix - System Information v1.0.2", "", "Date: 05/03/2024",
                       "Time: 14:07:09", ""};

TEST(ScanFrame, TickedCategoriesAreNumberedAndFramedInCheckListOrder) {
  for (DetailLevel level : kDetailLevels) {
    SCOPED_TRACE(LevelCaption(level));
    std::string bytes;
    MemoryHost host(bytes);
    // Given in the wrong order on purpose: the report follows the check-list order.
    const ScanOutcome outcome = RunScan(
        Choices({"Suspicious Files!", "Proxy Info", "Host File Info", "CPU", "Drives"}, level),
        std::make_shared<Categories>(Echo), host);
    const std::string detail = " (Detail Level: " + std::string(LevelCaption(level)) + ")";
    // The list of categories, then each one framed; Host File Info and Proxy Info name no level.
    // clang-format off
    const std::pair<const char*, std::string> sections[] = {
        {"CPU", detail + " Start"}, {"Drives", detail + " Start"}, {"Host File Info", " Start (" + std::string(kHosts) + ")"},
        {"Proxy Info", " Start"}, {"Suspicious Files!", detail + " Start"}};
    // clang-format on
    Lines expected = kHeader, frames;
    for (const auto& [name, start] : sections) {
      const std::string numbered = std::to_string(expected.size() - kHeader.size() + 1) + ". " +
                                   name;
      expected.push_back(numbered);
      frames.insert(frames.end(), {kSeparator, numbered + start, kSeparator,
                                   name + (" body at " + std::to_string(LevelNumber(level))),
                                   numbered + " End", kSeparator});
    }
    expected.push_back("");
    expected.insert(expected.end(), frames.begin(), frames.end());
    EXPECT_EQ(SplitLines(bytes), expected);
    EXPECT_EQ(host.statuses,
              (Lines{"Status: Scanning CPU ...", "Status: Scanning Drives ...",
                     "Status: Scanning Host File Info ...", "Status: Scanning Proxy Info ...",
                     "Status: Scanning For Suspicious Files! ...", "Status: Done"}));
    Lines done;
    for (const auto& outcome : host.outcomes) done.push_back(outcome.first);
    EXPECT_EQ(done, (Lines{"CPU", "Drives", "Host File Info", "Proxy Info", "Suspicious Files!"}));
    EXPECT_EQ(outcome.result, ScanResult::Saved);
    EXPECT_EQ(host.proposedPath, "C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt");
  }
}

TEST(ScanFrame, AReportThatCannotBeWrittenOrCreatedEndsTheScanAsAFailure) {
  std::string bytes;
  MemoryHost host(bytes);
  host.failAtWrite = 100;  // the disk is full in the first section
  const auto categories =
      std::make_shared<Categories>([](ReportWriter& report, std::size_t, DetailLevel) {
        for (int i = 0; i < 2000; ++i) report.WriteReportLine(std::string(100, 'x'));
      });
  ScanChoices choices = Choices({}, DetailLevel::Advanced);
  choices.ticked.assign(kCategoryCount, true);
  const ScanOutcome outcome = RunScan(choices, categories, host);
  EXPECT_EQ(outcome.result, ScanResult::Failed);
  EXPECT_EQ(outcome.error, Failure("There is not enough space on the disk."));
  // The scan stops there instead of going on into a broken file.
  EXPECT_EQ(host.statuses, (Lines{"Status: Scanning Operating System ...", "Status: Done"}));
  EXPECT_TRUE(host.outcomes.empty());
  host.failCreate = true;
  EXPECT_EQ(RunScan(choices, categories, host).result, ScanResult::Failed);
}

// Stopped (the window closed) while a category stalls in the platform, the scan keeps every line
// gathered before the stall, closes the report and returns without waiting for the category,
// which ends on its own later; nothing is claimed and no later category is begun.
TEST(ScanFrame, AStopDoesNotWaitForAStalledCategory) {
  std::string bytes;
  MemoryHost host(bytes);
  std::stop_source stop;
  const auto stalled = std::make_shared<std::latch>(1);
  const auto categories = std::make_shared<Categories>(
      [stop, stalled](ReportWriter& report, std::size_t index, DetailLevel) mutable {
        report.WriteReportLine("line of " + std::string(kCategoryList[index]->text));
        if (index != 1) return;
        stop.request_stop();  // as the window does when it is closed now
        stalled->wait();
      });
  const ScanOutcome outcome = RunScan(
      Choices({"Operating System", "Computer System", "CPU"}, DetailLevel::Basic), categories, host,
      {}, stop.get_token());
  EXPECT_EQ(outcome.result, ScanResult::Cancelled);
  Lines expected = kHeader;
  // clang-format off
  expected.insert(expected.end(), {"1. Operating System", "2. Computer System", "3. CPU", "",
      kSeparator, "1. Operating System (Detail Level: Basic) Start", kSeparator,
      "line of Operating System", "1. Operating System End", kSeparator,
      kSeparator, "2. Computer System (Detail Level: Basic) Start", kSeparator,
      "line of Computer System"});
  // clang-format on
  EXPECT_EQ(SplitLines(bytes), expected);
  EXPECT_EQ(host.statuses, (Lines{"Status: Scanning Operating System ...",
                                  "Status: Scanning Computer System ..."}));
  EXPECT_EQ(host.outcomes.size(), 1u);
  stalled->count_down();
}

// Gathered side by side, the categories make the report they make one after the other, text and
// JSON: the same lines and values in check-list order and each outcome told in that order, while
// the first category stalls until the last is gathered: a stall holds back only the writing.
TEST(ScanSideBySide, SameReportAsOneAfterTheOtherWhileAnEarlierCategoryStalls) {
  std::atomic<bool> lastGathered = false, sawLastMeanwhile = false;
  const auto categories =
      std::make_shared<Categories>([&](ReportWriter& report, std::size_t index, DetailLevel level) {
        for (int wait = 0; index == 0 && wait < 1000 && !lastGathered; ++wait)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (index == 0) sawLastMeanwhile = lastGathered.load();
        const std::string name(kCategoryList[index]->text);
        report.BeginItem();
        report.WriteField("Name: ", name, "Name", SourceValue{name});
        report.RecordField("Level", SourceValue{std::int64_t{LevelNumber(level)}});
        report.EndItem();
        if (index == kCategoryCount - 1) lastGathered = true;
      });
  for (const bool json : {false, true}) {
    std::string made[2];
    Lines statuses[2];
    for (const unsigned jobs : {1u, 4u}) {
      std::string& bytes = made[jobs > 1];
      MemoryHost host(bytes);
      JsonReport document({"1.0.2", "PC", "2024-03-05T14:07:09+01:00", DetailLevel::Advanced});
      ScanChoices choices = Choices({}, DetailLevel::Advanced);
      choices.ticked.assign(kCategoryCount, true);
      choices.jobs = jobs;
      ScanHelpers helpers;
      if (json) helpers.json = &document;
      lastGathered = false;
      ASSERT_EQ(RunScan(choices, categories, host, helpers).result, ScanResult::Saved);
      Lines done;
      for (const auto& outcome : host.outcomes) done.push_back(outcome.first);
      ASSERT_EQ(done.size(), kCategoryCount);
      for (std::size_t i = 0; i < kCategoryCount; ++i) EXPECT_EQ(done[i], kCategoryList[i]->text);
      EXPECT_EQ(host.statuses.front(), "Status: Scanning Operating System ...");
      statuses[jobs > 1] = host.statuses;
      EXPECT_EQ(sawLastMeanwhile, jobs > 1);
    }
    EXPECT_EQ(statuses[1], statuses[0]);  // every category named in turn, none skipped
    const std::regex times("\"elapsedMs\": [0-9]+");
    EXPECT_EQ(std::regex_replace(made[1], times, ""), std::regex_replace(made[0], times, ""));
    EXPECT_NE(made[0].find(json ? "\"Suspicious Files!\"" : "Name: Suspicious Files!"),
              std::string::npos);
  }
}

// No value can end its line or carry a control byte into the report: each such character shows
// as a marker, the same everywhere; its neighbours stay as they are.
TEST(ReportWriter, WritesCrLfLinesWithMarkersAndKeepsTheFirstFailure) {
  std::string value, shown;
  for (char c = 0; c < 0x20; ++c) {
    std::array<char, 9> marker{};
    std::snprintf(marker.data(), marker.size(), "<U+%04X>", static_cast<unsigned>(c));
    value += c;
    shown += c == '\t' ? "\t" : marker.data();
  }
  const std::string kept =  // neighbours of marked characters, and a sequence cut off at the end
      " caf\xC3\xA9 \xC2\x84\xC2\x86\xE2\x80\xA7\xE2\x80\xAA \xE2\x82\xAC \xC2\xA0\xE2\x80";
  value += "\x7F\xC2\x85\xE2\x80\xA8\xE2\x80\xA9" + kept;
  shown += "<U+007F><U+0085><U+2028><U+2029>" + kept;
  std::string bytes;
  {
    ReportWriter report(std::make_unique<MemorySink>(bytes));
    report.WriteReportLine("one");
    EXPECT_EQ(bytes, "one\r\n");  // on its way to the disk before the next wait on the system
    report.WriteReportLine("");
    report.WriteReportLine(value + "|" + value);
    EXPECT_TRUE(report.CloseReport());
    EXPECT_EQ(report.LinesWritten(), 3u);
  }
  EXPECT_EQ(bytes, "one\r\n\r\n" + shown + "|" + shown + "\r\n");

  std::string partial;
  ReportWriter failing(std::make_unique<MemorySink>(partial, 1));
  failing.WriteReportLine("kept");
  EXPECT_FALSE(failing.Failed());
  failing.WriteReportLine("lost");
  failing.WriteReportLine("dropped");
  EXPECT_FALSE(failing.CloseReport());
  EXPECT_EQ(failing.WriteError(), Failure("There is not enough space on the disk."));
  EXPECT_EQ(partial, "kept\r\n");
  EXPECT_EQ(failing.LinesWritten(), 1u);
}

}  // namespace
}  // namespace sysinfo
