// The scan: the categories it runs over, the choices it makes, the host it reports to, and the
// scan itself.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "report/identity.h"
#include "report/report.h"
#include "scan/machine_identity.h"

namespace sysinfo {

class JsonReport;
class Redactor;

// What the scan driver needs to know of a category to frame its block.
struct CategoryFrame {
  std::string_view text;  // "CPU": the check-list text
  std::string startLine;  // what follows "3. CPU" on its start line: " (Detail Level: Basic) Start"
  bool needsLevel;  // without a chosen level its block is left empty
  std::string status;  // the status line while it is scanned, without "Status: " and " ..."
  ReportShape shape;  // how the JSON report holds what it found
  std::span<const IdentifyingField> identifying;  // what a redacted report replaces
};

// What a thread that gathers categories side by side holds while it does (the Windows build: a COM
// apartment of its own, in which each WMI query makes its own connection).
class GatheringThread {
 public:
  virtual ~GatheringThread() = default;
};

// The categories a scan runs over, in check-list order, and the sources behind them. Collect may
// run on several threads at once, each collecting a different category.
class ScanCategories {
 public:
  virtual ~ScanCategories() = default;
  virtual std::size_t Count() const = 0;
  virtual CategoryFrame Frame(std::size_t index, DetailLevel level) const = 0;
  // Writes the block of the category at `index` at the detail level.
  virtual void Collect(ReportWriter& report, std::size_t index, DetailLevel level) = 0;
  // Called first on each thread that gathers side by side; what it returns lives until the thread
  // has gathered its last category.
  virtual std::unique_ptr<GatheringThread> StartGatheringThread() { return nullptr; }
};

enum class ReportFormat { Text, Json };

// How many categories a scan gathers at once unless told: one per processor, at least two, as
// most of a category's time is spent waiting on the platform.
unsigned DefaultScanJobs();

// What the user asked for, from the window's controls or the runner's command line.
struct ScanChoices {
  std::string caption;  // the window's caption, the report's first line
  std::vector<bool> ticked;  // by position in the category list; missing: not ticked
  DetailLevel level = DetailLevel::Basic;  // None when no level button is selected
  bool redact = false;  // identifying values replaced by markers
  RedactionChoices redaction;
  ReportFormat format = ReportFormat::Text;
  std::string path;  // the report's file, or the save dialog's first proposal
  // How many categories are gathered at once; 1 gathers them one after the other. The report is
  // the same either way. A redacted report is gathered one after the other, as the redactor
  // numbers its markers in the order it meets the values.
  unsigned jobs = DefaultScanJobs();
};

// What the scan session makes for one scan beside the choices.
struct ScanHelpers {
  // When set, identifying values are replaced in every line and recorded value before anything
  // is written; it has learnt what it knows beforehand (the computer's name). Shared with the
  // thread gathering the categories, which a stop may leave behind in a stalled platform call.
  std::shared_ptr<Redactor> redactor;
  // When set, the scan writes this JSON report to the file instead of text lines.
  JsonReport* json = nullptr;
};

// Cancelled: the save dialog was cancelled, or the scan stopped; nothing is there to tell.
enum class ScanResult { Cancelled, Saved, Failed };

struct ScanOutcome {
  ScanResult result = ScanResult::Cancelled;
  std::string path;
  Status error;  // why the report could not be created or written
  std::vector<std::string> unread;  // the categories a source of which was not read, in order
};

// What the window, or the console runner, provides around a scan.
class ScanHost {
 public:
  virtual ~ScanHost() = default;
  // The path to save to; empty text when the user cancelled.
  virtual std::string AskReportPath(const std::string& proposed) = 0;
  // Creates (or truncates) the report file for the format; the reason when that fails.
  virtual OpenedReport CreateReport(const std::string& path, ReportFormat format) = 0;
  virtual void ScanStarting() = 0;  // the window hides its controls and shows the status frame
  virtual void ShowStatus(const std::string& text) = 0;
  virtual std::string ShortDate() = 0;
  virtual std::string ShortTime() = 0;
  // A category's block is written: how its sources answered and how long it took.
  virtual void CategoryDone(std::string_view text, const CategoryOutcome& outcome) = 0;
};

// Produces one report: asks for the path, writes the header, frames every ticked category in
// their order around its block, and closes the report. The categories are gathered on threads of
// their own (side by side with more than one job), each into a block of its own, and the blocks
// are written on the calling thread strictly in order, the next one streaming to the file as it
// is gathered; each block's status line and outcome reach the host as the block is written. A
// report that cannot be created or written ends the scan as Failed with the reason; nothing
// claims it was saved. A stop, heeded before each category and whenever the report waits for
// one, writes what is gathered up to the first unfinished block, closes the report and returns
// Cancelled at once: a category stalled in a platform call is left to end on its own, holding
// the categories, and all it touches, until it does.
ScanOutcome RunScan(const ScanChoices& choices, std::shared_ptr<ScanCategories> categories,
                    ScanHost& host, const ScanHelpers& helpers = {}, std::stop_token stop = {});

}  // namespace sysinfo
