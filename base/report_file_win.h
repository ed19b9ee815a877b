// The report file on disk, written in the ANSI code page or, for JSON, in UTF-8.
#pragma once

#include <memory>
#include <string>

#include "base/report.h"

namespace sysinfo {

// Creates (or truncates) the report file at a UTF-8 path; the lines reach it in the ANSI code
// page. Nothing, with the system's reason in `reason`, when the file cannot be created.
std::unique_ptr<ReportSink> CreateFileReport(const std::string& path, std::string& reason);

// The same for a file whose text stays UTF-8 as it is given (the JSON report).
std::unique_ptr<ReportSink> CreateUtf8FileReport(const std::string& path, std::string& reason);

}  // namespace sysinfo
