// The report file on disk, written in the ANSI code page or, for JSON, in UTF-8.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "report/report.h"

namespace sysinfo {

// Creates the report file at a UTF-8 path, or empties the earlier one; the lines reach it in the
// ANSI code page. No file, with the system's reason, when it cannot be created; no file, refused
// (ErrorKind::Refused), when the name is a symbolic link or junction or the file there has other
// names (hard links): a report is never written through them.
OpenedReport CreateFileReport(const std::string& path);

// The same for a file whose text stays UTF-8 as it is given (the JSON report).
OpenedReport CreateUtf8FileReport(const std::string& path);

// The bytes a report holds for UTF-8 text: the ANSI code page's for the text report, the text
// itself for JSON; nothing when a character has no ANSI form.
std::optional<std::string> ReportBytes(std::string_view utf8Text, bool ansi);

}  // namespace sysinfo
