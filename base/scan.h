// The fifteen categories, the scan request, the host a scan reports to, and the scan itself.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/identity.h"
#include "base/report.h"

namespace sysinfo {

class Redactor;

// How a category's start line is written.
enum class StartLine {
  WithDetail,  // "3. CPU (Detail Level: Moderate) Start"
  WithHostsPath,  // "1. Host File Info Start (C:\...\hosts)"
  Plain,  // "1. Proxy Info Start"
};

// What the scan driver knows of a category: its check-list text and how its block starts.
struct Category {
  std::string_view text;  // the check-list text, also the settings key
  StartLine startLine;
  std::span<const IdentifyingField> identifying = {};  // what a redacted report replaces
};

// The program's name: the caption without its version.
inline constexpr std::string_view kProgramName = "Veltrix - System Information";

// The captions of the detail-level buttons, for levels 1 to 3.
inline constexpr std::array<std::string_view, 3> kLevelCaptions{"Basic", "Moderate", "Advanced"};

// "Veltrix - System Information v1.0.2": the window's caption and the report's first line.
std::string ProgramCaption(int major, int minor, int revision);

// Writes the block of the category at `index` of the list the scan runs over. Categories
// without a level ignore it.
using Collector = std::function<void(ReportWriter&, std::size_t index, int level)>;

struct ScanRequest {
  std::string caption;  // the window's caption, the report's first line
  std::vector<bool> ticked;  // by position in the category list; missing: not ticked
  int level = 1;  // 1 to 3; 0 when no level button is selected
  std::string hostsPath;  // shown in the hosts-file start line
  std::string proposedPath;  // the save dialog's initial file name
  // When set, identifying values are replaced in every line and recorded value before anything
  // is written; the caller has taught it what it knows beforehand (the computer's name).
  Redactor* redactor = nullptr;
};

enum class ScanResult { Cancelled, Saved, Failed };

struct ScanOutcome {
  ScanResult result = ScanResult::Cancelled;
  std::string path;
  std::string error;  // why the report could not be created or written
};

// What the window, or the console runner, provides around a scan.
class ScanHost {
 public:
  virtual ~ScanHost() = default;
  // The path to save to; empty text when the user cancelled.
  virtual std::string AskReportPath(const std::string& proposed) = 0;
  // Creates (or truncates) the report file; nothing, with the reason, when that fails.
  virtual std::unique_ptr<ReportSink> CreateReport(const std::string& path,
                                                   std::string& reason) = 0;
  // The open report, until ScanFinished: a window closed mid-scan closes it, so every line
  // already written reaches the disk.
  virtual void ReportOpened(ReportWriter&) {}
  virtual void ScanStarting() = 0;  // the window hides its controls and shows the status frame
  virtual void ShowStatus(const std::string& text) = 0;
  virtual std::string ShortDate() = 0;
  virtual std::string ShortTime() = 0;
  // A category's block is written: how its sources answered and how long it took.
  virtual void CategoryDone(std::size_t index, const CategoryOutcome& outcome) = 0;
  virtual void ScanFinished(const ScanOutcome& outcome) = 0;  // restore, then tell the user
};

// Produces one report: asks for the path, writes the header, frames every ticked category of
// `categories` in their order around the collector's block, and closes the report. A report that
// cannot be created or written ends the scan as Failed with the reason; nothing claims it was
// saved. `items`, when given, hears every category's values, status and time (the JSON report).
ScanOutcome RunScan(const ScanRequest& request, std::span<const Category> categories,
                    const Collector& collect, ScanHost& host, ItemRecorder* items = nullptr);

}  // namespace sysinfo
