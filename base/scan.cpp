// The scan: the report's header, each ticked category framed and numbered, how it ended.
#include "base/scan.h"

#include <chrono>
#include <optional>

#include "base/format.h"
#include "base/levels.h"
#include "base/pending_messages.h"
#include "base/redaction.h"

namespace sysinfo {
namespace {

std::string DetailText(int level) {
  if (level < 1 || level > static_cast<int>(kLevelCaptions.size())) return {};
  return "Detail Level: " + std::string(kLevelCaptions[level - 1]);
}

std::string StartLineText(const std::string& prefix, const Category& category,
                          const ScanRequest& request) {
  switch (category.startLine) {
    case StartLine::WithDetail: return prefix + " (" + DetailText(request.level) + ") Start";
    case StartLine::WithHostsPath: return prefix + " Start (" + request.hostsPath + ")";
    case StartLine::Plain: break;
  }
  return prefix + " Start";
}

std::string StatusText(std::span<const Category> categories, std::size_t index) {
  const std::string text(categories[index].text);
  // The last category reads "Scanning For Suspicious Files! ...".
  if (index == categories.size() - 1) return "Status: Scanning For " + text + " ...";
  return "Status: Scanning " + text + " ...";
}

bool Ticked(const ScanRequest& request, std::size_t index) {
  return index < request.ticked.size() && request.ticked[index];
}

void WriteHeader(ReportWriter& report, std::span<const Category> categories,
                 const ScanRequest& request, ScanHost& host) {
  report.WriteReportLine(request.caption);
  report.WriteReportLine("");
  report.WriteReportLine("Date: " + host.ShortDate());
  report.WriteReportLine("Time: " + host.ShortTime());
  report.WriteReportLine("");
  int number = 1;
  for (std::size_t i = 0; i < categories.size(); ++i) {
    if (Ticked(request, i)) {
      report.WriteReportLine(std::to_string(number++) + ". " + std::string(categories[i].text));
    }
    ProcessPendingMessages();
  }
  report.WriteReportLine("");
}

void WriteCategory(ReportWriter& report, const Category& category, std::size_t index, int number,
                   const ScanRequest& request, const Collector& collect) {
  const std::string prefix = std::to_string(number) + ". " + std::string(category.text);
  report.WriteReportLine(SeparatorLine);
  report.WriteReportLine(StartLineText(prefix, category, request));
  report.WriteReportLine(SeparatorLine);
  // Without a selected level a levelled collector is not run at all.
  const bool levelled = category.startLine == StartLine::WithDetail;
  if (!levelled || IsDetailLevel(request.level)) collect(report, index, request.level);
  report.WriteReportLine(prefix + " End");
  report.WriteReportLine(SeparatorLine);
}

// Notes how a category's sources ended and whether it showed anything, and passes every call on
// to the scan's own listener (the JSON report, or nobody).
class CategoryTracker final : public ItemRecorder {
 public:
  explicit CategoryTracker(ItemRecorder& next) : next_(next) {}

  CategoryOutcome Outcome(double milliseconds) const {
    CategoryOutcome outcome;
    outcome.milliseconds = milliseconds;
    if (failure_ == QueryStatus::Ok) {
      outcome.status = anything_ ? CategoryStatus::Ok : CategoryStatus::Empty;
    } else {
      outcome.status = failure_ == QueryStatus::TimedOut ? CategoryStatus::TimedOut
                                                         : CategoryStatus::Failed;
      outcome.error = error_;
    }
    return outcome;
  }

  bool Recording() const override { return next_.Recording(); }
  void BeginCategory(std::string_view name, int number) override {
    failure_ = QueryStatus::Ok;
    error_.clear();
    anything_ = false;
    next_.BeginCategory(name, number);
  }
  void EndCategory(const CategoryOutcome& outcome) override { next_.EndCategory(outcome); }
  void SourceEnded(QueryStatus status, std::string_view error) override {
    if (status != QueryStatus::Ok && failure_ == QueryStatus::Ok) {  // the first failure tells
      failure_ = status;
      error_ = error;
    }
    next_.SourceEnded(status, error);
  }
  void BeginItem() override {
    anything_ = true;
    next_.BeginItem();
  }
  void Field(std::string_view name, const WmiValue& value) override { next_.Field(name, value); }
  void EndItem() override { next_.EndItem(); }
  void BeginSubsection(std::string_view name) override { next_.BeginSubsection(name); }
  void EndSubsection() override { next_.EndSubsection(); }
  void BeginKey(std::string_view path) override {
    anything_ = true;
    next_.BeginKey(path);
  }
  void EndKey() override { next_.EndKey(); }
  void BeginFile(std::string_view path) override { next_.BeginFile(path); }
  void Line(std::string_view text) override {
    anything_ = true;
    next_.Line(text);
  }

 private:
  ItemRecorder& next_;
  QueryStatus failure_ = QueryStatus::Ok;
  std::string error_;
  bool anything_ = false;
};

}  // namespace

std::string_view CategoryStatusName(CategoryStatus status) {
  switch (status) {
    case CategoryStatus::Ok: return "ok";
    case CategoryStatus::Empty: return "empty";
    case CategoryStatus::Failed: return "failed";
    case CategoryStatus::TimedOut: break;
  }
  return "timed_out";
}

std::string ProgramCaption(int major, int minor, int revision) {
  return std::string(kProgramName) + " v" + std::to_string(major) + "." + std::to_string(minor) +
         "." + std::to_string(revision);
}

ScanOutcome RunScan(const ScanRequest& request, std::span<const Category> categories,
                    const Collector& collect, ScanHost& host, ItemRecorder* items) {
  ScanOutcome outcome;
  outcome.path = host.AskReportPath(request.proposedPath);
  if (outcome.path.empty()) return outcome;  // cancelled: nothing written, nothing shown
  ProcessPendingMessages();

  std::string reason;
  auto sink = host.CreateReport(outcome.path, reason);
  if (!sink) {
    outcome.result = ScanResult::Failed;
    outcome.error = reason;
    host.ScanFinished(outcome);
    return outcome;
  }
  ReportWriter report(std::move(sink));
  ItemRecorder nobody;
  ItemRecorder& listener = items ? *items : nobody;
  std::optional<RedactingRecorder> redacting;
  if (request.redactor) redacting.emplace(*request.redactor, listener);
  CategoryTracker tracker(redacting ? static_cast<ItemRecorder&>(*redacting) : listener);
  report.SetItemRecorder(&tracker);
  report.SetRedactor(request.redactor);
  host.ReportOpened(report);
  host.ScanStarting();
  ProcessPendingMessages();

  WriteHeader(report, categories, request, host);
  ProcessPendingMessages();

  int number = 1;
  for (std::size_t i = 0; i < categories.size() && !report.Failed(); ++i) {
    if (!Ticked(request, i)) continue;
    host.ShowStatus(StatusText(categories, i));
    const auto started = std::chrono::steady_clock::now();
    if (request.redactor) request.redactor->BeginCategory(categories[i].identifying);
    tracker.BeginCategory(categories[i].text, number);
    WriteCategory(report, categories[i], i, number++, request, collect);
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() -
                                                              started;
    const CategoryOutcome categoryOutcome = tracker.Outcome(elapsed.count());
    tracker.EndCategory(categoryOutcome);
    host.CategoryDone(i, categoryOutcome);
    ProcessPendingMessages();
  }

  const bool saved = report.CloseReport();
  outcome.result = saved ? ScanResult::Saved : ScanResult::Failed;
  outcome.error = report.Error();
  ProcessPendingMessages();
  host.ShowStatus("Status: Done");
  host.ScanFinished(outcome);
  return outcome;
}

}  // namespace sysinfo
