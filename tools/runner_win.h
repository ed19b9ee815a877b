// The console runner's whole job for one command line.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report/report.h"

namespace sysinfo {

// Creates the report file at a path, or gives the reason it cannot.
using ReportOpener = std::function<OpenedReport(const std::string& path)>;

// The console runner's whole job for one command line: parse it, scan, write the report through
// `open`, and tell the user on `out` and `err`. Returns the exit status: 0 when the report was
// written completely, 1 when it could not be created or written, 2 for a bad command line or an
// output name that is refused (a link, or a file with other hard links).
// With --compare: 0 when the two reports do not differ, 1 when they do, 2 for a file that cannot
// be read, is not a report or cannot take the comparison.
// Text reports are made through `open`; JSON reports, whose text stays UTF-8, through a plain
// file (the second form takes that opener too).
int RunReportCommand(const std::vector<std::string>& args, const ReportOpener& open, std::FILE* out,
                     std::FILE* err);
int RunReportCommand(const std::vector<std::string>& args, const ReportOpener& openText,
                     const ReportOpener& openJson, std::FILE* out, std::FILE* err);

}  // namespace sysinfo
