// The console runner's work: the scan with a console host, the text or JSON file written.
#include "tools/runner_win.h"

#include <windows.h>

#include <array>
#include <new>

#include "collectors/collectors_win.h"
#include "collectors/hosts_path_win.h"
#include "collectors/machine_identity.h"
#include "base/json_file_win.h"
#include "base/json_report.h"
#include "base/locale_win.h"
#include "base/redaction.h"
#include "base/report_file_win.h"
#include "base/handles_win.h"
#include "base/scan.h"
#include "base/unicode_win.h"
#include "base/wtf8.h"
#include "collectors/wmi_win.h"
#include "generated/version.h"
#include "tools/report_check.h"
#include "tools/report_compare.h"
#include "tools/runner_args.h"

namespace sysinfo {
namespace {

// Keeps nothing: with --format json the text report is not wanted, only the values the scan
// records beside it.
class DiscardingSink final : public ReportSink {
 public:
  std::optional<std::string> Write(std::string_view) override { return std::nullopt; }
  std::optional<std::string> Close() override { return std::nullopt; }
};

class ConsoleHost final : public ScanHost {
 public:
  ConsoleHost(std::string path, const ReportOpener& open, bool json, std::FILE* err)
      : path_(std::move(path)), open_(open), json_(json), err_(err) {}

  std::string AskReportPath(const std::string&) override { return path_; }
  // The output file is created before the scan, so a path that cannot be written fails at once.
  std::unique_ptr<ReportSink> CreateReport(const std::string& path, std::string& reason) override {
    if (!json_) return open_(path, reason);
    jsonFile_ = open_(path, reason);
    if (!jsonFile_) return nullptr;
    return std::make_unique<DiscardingSink>();
  }
  void ScanStarting() override {}
  void ShowStatus(const std::string& text) override { std::fprintf(err_, "%s\n", text.c_str()); }
  std::string ShortDate() override { return ShortDateNow(); }
  std::string ShortTime() override { return TimeNow(); }
  void CategoryDone(std::size_t index, const CategoryOutcome& outcome) override {
    std::fprintf(err_, "%s\n", ProgressLine(kCategories[index].text, outcome).c_str());
    std::fflush(err_);
    if (outcome.Unfinished()) ++unread_;
  }
  void ScanFinished(const ScanOutcome&) override {}

  std::unique_ptr<ReportSink> TakeJsonFile() { return std::move(jsonFile_); }
  // Categories whose sources failed or stopped answering.
  int UnreadCategories() const { return unread_; }

 private:
  std::string path_;
  const ReportOpener& open_;
  bool json_;
  std::FILE* err_;
  std::unique_ptr<ReportSink> jsonFile_;
  int unread_ = 0;
};

// Writes the whole document; the reason when the file cannot take it.
std::optional<std::string> WriteDocument(ReportSink& file, const std::string& text) {
  auto error = file.Write(text);
  auto closeError = file.Close();
  return error ? error : closeError;
}

// --compare: both reports read and checked, the differences written to --out or `out`.
// 0 when the reports do not differ, 1 when they do, 2 when a file is refused or unwritable.
int RunCompareCommand(const RunnerOptions& options, const ReportOpener& openUtf8, std::FILE* out,
                      std::FILE* err) {
  const std::array<const std::string*, 2> paths{&options.oldReport, &options.newReport};
  for (const std::string* path : paths) {
    if (!options.outPath.empty() && SameFile(options.outPath, *path)) {
      std::fprintf(err, "sysinfo-report: --out %s\n",
                   RefusalLine(options.outPath, "is a report compared, not written over").c_str());
      return 2;
    }
  }
  std::array<std::optional<JsonDocument>, 2> documents;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::string refusal;
    documents[i] = ReadJsonFile(*paths[i], kReportLimits, CheckReport, refusal);
    if (!documents[i]) {
      std::fprintf(err, "sysinfo-report: cannot compare %s\n", refusal.c_str());
      return 2;
    }
  }
  const Comparison comparison = CompareReports(
      *documents[0], *documents[1],
      {Wtf8ToUtf8(options.oldReport), Wtf8ToUtf8(options.newReport), options.allFields});
  const std::string text = options.format == ReportFormat::Json ? ComparisonJson(comparison)
                                                                : ComparisonText(comparison);
  const int status = comparison.Differs() ? 1 : 0;
  if (options.outPath.empty()) {
    std::fwrite(text.data(), 1, text.size(), out);
    return status;
  }
  std::string reason;
  auto file = openUtf8(options.outPath, reason);
  std::optional<std::string> error = file ? WriteDocument(*file, text) : reason;
  if (error) {
    std::fprintf(err, "sysinfo-report: cannot write \"%s\": %s\n",
                 Wtf8ToUtf8(options.outPath).c_str(), error->c_str());
    return 2;
  }
  return status;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, const ReportOpener& open, std::FILE* out,
                     std::FILE* err) {
  return RunReportCommand(args, open, CreateUtf8FileReport, out, err);
}

int RunReportCommand(const std::vector<std::string>& args, const ReportOpener& openText,
                     const ReportOpener& openJson, std::FILE* out, std::FILE* err) {
  const RunnerOptions options = ParseRunnerArgs(args);
  if (options.help) {
    std::fputs(RunnerUsage().c_str(), out);
    return 0;
  }
  if (!options.error.empty()) {
    // The reason may quote an argument, which may hold a lone surrogate (carried as WTF-8).
    std::fprintf(err, "sysinfo-report: %s\n\n%s", Wtf8ToUtf8(options.error).c_str(),
                 RunnerUsage().c_str());
    return 2;
  }
  if (options.compare) {
    try {
      return RunCompareCommand(options, openJson, out, err);
    } catch (const std::bad_alloc&) {  // two reports within the bounds, on a machine short of it
      std::fprintf(err, "sysinfo-report: not enough memory to compare the reports\n");
      return 2;
    }
  }

  ComApartment com;
  SetCurrentNumberFormat(UserNumberFormat());
  auto wmi = MakeWmiService();

  ScanRequest request;
  request.caption = ProgramCaption(kVersionMajor, kVersionMinor, kVersionRevision);
  request.ticked.assign(options.ticked.begin(), options.ticked.end());
  request.level = options.level;
  request.hostsPath = FindHostsFilePath();
  request.proposedPath = options.outPath;

  const RedactionChoices choices{options.redactWords, options.redactMap};
  std::optional<Redactor> redactor;
  if (options.redact) {
    std::string reason;
    redactor = RedactorForThisMachine(choices, reason);
    if (!redactor) {
      std::fprintf(err, "sysinfo-report: %s\n", Wtf8ToUtf8(reason).c_str());
      return 1;
    }
    request.redactor = &*redactor;
  }
  const bool json = options.format == ReportFormat::Json;
  const std::string computer = redactor ? redactor->Text(ThisComputerName()) : ThisComputerName();
  JsonReport document({std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                           std::to_string(kVersionRevision),
                       computer, Iso8601(LocalTimeNow()), options.level});
  ConsoleHost host(options.outPath, json ? openJson : openText, json, err);
  ScanOutcome outcome = RunScan(request, kCategories, RealCollector(*wmi, request.hostsPath), host,
                                json ? &document : nullptr);
  if (json && outcome.result == ScanResult::Saved) {
    if (auto file = host.TakeJsonFile()) {
      if (auto error = WriteDocument(*file, document.Text())) {
        outcome.result = ScanResult::Failed;
        outcome.error = *error;
      }
    }
  }
  // The console gets UTF-8: a lone surrogate in the path shows as U+FFFD.
  const std::string shownPath = Wtf8ToUtf8(outcome.path);
  if (outcome.result != ScanResult::Saved) {
    std::fprintf(err, "sysinfo-report: cannot write the report \"%s\": %s\n", shownPath.c_str(),
                 outcome.error.c_str());
    return IsRefusedReportName(outcome.error) ? 2 : 1;
  }
  std::fprintf(out, "Report saved to %s\n", shownPath.c_str());
  // The report stands; only the next one may number its markers differently.
  if (redactor) {
    if (auto error = KeepRedactionMap(*redactor, choices))
      std::fprintf(err, "sysinfo-report: %s\n", Wtf8ToUtf8(*error).c_str());
  }
  // A report with a category that could not be read is written, but is not what a script asked
  // for: it is told apart from a complete one.
  if (const int unread = host.UnreadCategories(); unread > 0) {
    std::fprintf(err, "sysinfo-report: %d categor%s could not be read completely (see above)\n",
                 unread, unread == 1 ? "y" : "ies");
    return 3;
  }
  return 0;
}

}  // namespace sysinfo
