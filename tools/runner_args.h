// The console runner's command line, its usage text and its progress lines.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/levels.h"
#include "scan/scan.h"
#include "collectors/categories.h"

namespace sysinfo {

struct RunnerOptions {
  bool help = false;
  bool version = false;  // --version, -V
  std::string outPath;
  ReportFormat format = ReportFormat::Text;  // what FILE holds: the text report, or the JSON one
  DetailLevel level = DetailLevel::Basic;
  bool redact = false;  // identifying values replaced by markers
  std::vector<std::string> redactWords;  // --redact-word: more values to replace
  std::string redactMap;  // --redact-map: where each value's marker is kept between reports
  std::array<bool, kCategoryCount> ticked{};
  unsigned jobs = 0;  // --jobs: categories gathered at once; 0 when not given (the default)
  // --compare OLD NEW: the two JSON reports to compare instead of a scan.
  bool compare = false;
  std::string oldReport, newReport;
  bool allFields = false;  // compare the fields that change by themselves too
  Status error;  // why the command line was refused (Refused); nothing when it was accepted
};

// sysinfo-report --out FILE [--level basic|moderate|advanced] [--format text|json] [--jobs N]
//                [--redact [--redact-word WORD ...] [--redact-map FILE]]
//                (--all | --category NAME ...)
// sysinfo-report --compare OLD NEW [--out FILE] [--format text|json] [--all-fields]
RunnerOptions ParseRunnerArgs(const std::vector<std::string>& args);

std::string RunnerUsage();

// Whether a path names one of Windows' devices rather than a file: "CON", "nul.txt", "C:\x\COM1",
// "\\.\PhysicalDrive0". A report written there would go to the device.
bool IsDeviceName(std::string_view path);

// The line the runner writes to standard error when a category is done: "CPU: ok (12 ms)", and
// after a failure the platform's reason: "Drives: failed (3 ms): Access denied.".
std::string ProgressLine(std::string_view category, const CategoryOutcome& outcome);

}  // namespace sysinfo
