// The report file on disk, written in the ANSI code page or, for JSON, in UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "report/report.h"

namespace sysinfo {

// Creates the report file at a UTF-8 path, or empties the earlier one; the lines reach it in the
// ANSI code page. No file, with the system's reason, when it cannot be created; no file, with a
// reason IsRefusedReportName knows, when the name is a symbolic link or junction
// or the file there has other names (hard links): a report is never written through them.
OpenedReport CreateFileReport(const std::string& path);

// The same for a file whose text stays UTF-8 as it is given (the JSON report).
OpenedReport CreateUtf8FileReport(const std::string& path);

// Whether a reason given above is the refusal of a link or of a file with other names.
bool IsRefusedReportName(std::string_view reason);

}  // namespace sysinfo
