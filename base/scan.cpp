// The scan: the report's header, each ticked category framed and numbered, how it ended.
#include "base/scan.h"

#include <chrono>

#include "base/format.h"
#include "base/json_report.h"
#include "base/levels.h"
#include "base/pending_messages.h"
#include "generated/version.h"

namespace sysinfo {
namespace {

bool Ticked(const ScanRequest& request, std::size_t index) {
  return index < request.ticked.size() && request.ticked[index];
}

void WriteHeader(ReportWriter& report, const ScanCategories& categories, const ScanRequest& request,
                 ScanHost& host) {
  report.WriteReportLine(request.caption);
  report.WriteReportLine("");
  report.WriteReportLine("Date: " + host.ShortDate());
  report.WriteReportLine("Time: " + host.ShortTime());
  report.WriteReportLine("");
  int number = 1;
  for (std::size_t i = 0; i < categories.Count(); ++i) {
    if (Ticked(request, i)) {
      const std::string_view text = categories.Frame(i, request.level).text;
      report.WriteReportLine(std::to_string(number++) + ". " + std::string(text));
    }
    ProcessPendingMessages();
  }
  report.WriteReportLine("");
}

// One category's block between its start and end lines; how its sources answered.
CategoryOutcome WriteCategory(ReportWriter& report, ScanCategories& categories, std::size_t index,
                              int number, const ScanRequest& request) {
  const auto started = std::chrono::steady_clock::now();
  const CategoryFrame frame = categories.Frame(index, request.level);
  report.BeginCategory(frame.text, number, frame.shape, frame.identifying);
  const std::string prefix = std::to_string(number) + ". " + std::string(frame.text);
  report.WriteReportLine(SeparatorLine);
  report.WriteReportLine(prefix + frame.startLine);
  report.WriteReportLine(SeparatorLine);
  if (!frame.needsLevel || IsDetailLevel(request.level))
    categories.Collect(report, index, request.level);
  report.WriteReportLine(prefix + " End");
  report.WriteReportLine(SeparatorLine);
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() -
                                                            started;
  return report.EndCategory(elapsed.count());
}

// The JSON document into its file, closed; the reason when the file cannot take it.
std::string WriteDocument(ReportSink& file, const JsonReport& json) {
  auto error = file.Write(json.Text());
  auto closeError = file.Close();
  return error ? *error : closeError.value_or("");
}

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

std::string DetailText(int level) {
  if (!IsDetailLevel(level)) return {};
  return "Detail Level: " + std::string(kLevelCaptions[level - 1]);
}

std::string ProgramCaption(int major, int minor, int revision) {
  return std::string(kProgramName) + " v" + std::to_string(major) + "." + std::to_string(minor) +
         "." + std::to_string(revision);
}

std::string ProgramVersion() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

std::string ProgramCaption() {
  return ProgramCaption(kVersionMajor, kVersionMinor, kVersionRevision);
}

ScanOutcome RunScan(const ScanRequest& request, ScanCategories& categories, ScanHost& host) {
  ScanOutcome outcome;
  outcome.path = host.AskReportPath(request.proposedPath);
  if (outcome.path.empty()) return outcome;  // cancelled: nothing written, nothing shown
  ProcessPendingMessages();

  const ReportFormat format = request.json ? ReportFormat::Json : ReportFormat::Text;
  OpenedReport file = host.CreateReport(outcome.path, format);
  if (!file.value) {
    outcome.result = ScanResult::Failed;
    outcome.error = file.error;
    host.ScanFinished(outcome);
    return outcome;
  }
  // A JSON report is made from the recorded values alone: no text line is made for it.
  std::unique_ptr<ReportSink> jsonFile;
  if (request.json) jsonFile = std::move(file.value);
  ReportWriter report(std::move(file.value));
  report.SetItemRecorder(request.json);
  report.SetRedactor(request.redactor);
  host.ReportOpened(report);
  host.ScanStarting();
  ProcessPendingMessages();

  WriteHeader(report, categories, request, host);
  ProcessPendingMessages();

  int number = 1;
  for (std::size_t i = 0; i < categories.Count() && !report.Failed(); ++i) {
    if (!Ticked(request, i)) continue;
    const CategoryFrame frame = categories.Frame(i, request.level);
    host.ShowStatus("Status: " + frame.status + " ...");
    const CategoryOutcome categoryOutcome = WriteCategory(report, categories, i, number++, request);
    host.CategoryDone(frame.text, categoryOutcome);
    ProcessPendingMessages();
  }

  bool saved = report.CloseReport();
  outcome.error = report.Error();
  if (saved && jsonFile) {
    outcome.error = WriteDocument(*jsonFile, *request.json);
    saved = outcome.error.empty();
  }
  outcome.result = saved ? ScanResult::Saved : ScanResult::Failed;
  ProcessPendingMessages();
  host.ShowStatus("Status: Done");
  host.ScanFinished(outcome);
  return outcome;
}

}  // namespace sysinfo
