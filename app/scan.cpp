#include "app/scan.h"

#include <chrono>

#include "app/format.h"
#include "app/levels.h"
#include "app/yield.h"

namespace sysinfo {
namespace {

std::string DetailText(int level) {
  if (level < 1 || level > static_cast<int>(kLevelCaptions.size())) return {};
  return "Detail Level: " + std::string(kLevelCaptions[level - 1]);
}

std::string StartLineText(const std::string& prefix, const Category& category,
                          const ScanRequest& request) {
  switch (category.startLine) {
    case StartLine::WithDetail:
      return prefix + " (" + DetailText(request.level) + ") Start";
    case StartLine::WithHostsPath:
      return prefix + " Start (" + request.hostsPath + ")";
    case StartLine::Plain:
      break;
  }
  return prefix + " Start";
}

std::string StatusText(std::size_t index) {
  const std::string text(kCategories[index].text);
  // The last category reads "Scanning For Suspicious Files!".
  if (index == kCategoryCount - 1) return "Status: Scanning For " + text;
  return "Status: Scanning " + text + " ...";
}

void WriteHeader(ReportWriter& report, const ScanRequest& request, ScanHost& host) {
  report.WriteReportLine(request.caption);
  report.WriteReportLine("");
  report.WriteReportLine("Date: " + host.ShortDate());
  report.WriteReportLine("Time: " + host.ShortTime());
  report.WriteReportLine("");
  int number = 1;
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    if (request.ticked[i]) {
      report.WriteReportLine(std::to_string(number++) + ". " + std::string(kCategories[i].text));
    }
    Yield();
  }
  report.WriteReportLine("");
}

void WriteCategory(ReportWriter& report, std::size_t index, int number,
                   const ScanRequest& request, const Collector& collector) {
  const std::string prefix = std::to_string(number) + ". " + std::string(kCategories[index].text);
  report.WriteReportLine(SeparatorLine);
  report.WriteReportLine(StartLineText(prefix, kCategories[index], request));
  report.WriteReportLine(SeparatorLine);
  // Without a selected level a levelled collector is not run at all.
  const bool levelled = kCategories[index].startLine == StartLine::WithDetail;
  if (collector && (!levelled || IsDetailLevel(request.level))) collector(report, request.level);
  report.WriteReportLine(prefix + " End");
  report.WriteReportLine(SeparatorLine);
}

}  // namespace

std::string ProgramCaption(int major, int minor, int revision) {
  return "Veltrix - System Information v" + std::to_string(major) + "." + std::to_string(minor) +
         "." + std::to_string(revision);
}

std::optional<std::size_t> FindCategory(std::string_view text) {
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    if (kCategories[i].text == text) return i;
  }
  return std::nullopt;
}

ScanOutcome RunScan(const ScanRequest& request, const Collectors& collectors, ScanHost& host) {
  ScanOutcome outcome;
  outcome.path = host.AskReportPath(request.proposedPath);
  if (outcome.path.empty()) return outcome;  // cancelled: nothing written, nothing shown
  Yield();

  std::string reason;
  auto sink = host.CreateReport(outcome.path, reason);
  if (!sink) {
    outcome.result = ScanResult::Failed;
    outcome.error = reason;
    host.ScanFinished(outcome);
    return outcome;
  }
  ReportWriter report(std::move(sink));
  host.ReportOpened(report);
  host.ScanStarting();
  Yield();

  WriteHeader(report, request, host);
  Yield();

  int number = 1;
  for (std::size_t i = 0; i < kCategoryCount && !report.Failed(); ++i) {
    if (!request.ticked[i]) continue;
    host.ShowStatus(StatusText(i));
    const auto started = std::chrono::steady_clock::now();
    WriteCategory(report, i, number++, request, collectors[i]);
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - started;
    host.CategoryDone(i, elapsed.count());
    Yield();
  }

  const bool saved = report.CloseReport();
  outcome.result = saved ? ScanResult::Saved : ScanResult::Failed;
  outcome.error = report.Error();
  Yield();
  host.ShowStatus("Status: Done");
  host.ScanFinished(outcome);
  return outcome;
}

}  // namespace sysinfo
