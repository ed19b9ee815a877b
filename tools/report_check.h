// What the comparison reads of a JSON report, checked before anything is compared.
#pragma once

#include <string>
#include <string_view>

#include "report/json_reader.h"

namespace sysinfo {

// What a report of this program fits in with room to spare: 256 MiB and 8 million values (two
// reports of 100,000 processes take about a third of that), nested seven deep as the report is
// (the document, its categories, a category, its groups, a group, its items, an item).
inline constexpr JsonLimits kReportLimits{256u << 20, 7, 8'000'000};

// Nothing when `document` is a JSON report of this program laid out as schema/report.schema.json
// says, as far as the comparison reads it; else the first fault with its place: another
// program's document, no or a newer schemaVersion (1 and 2 are read), a member, category or group
// name unknown or given twice, an unknown status or level, a value of the wrong kind (an item's
// field holds a single value, never an array or object).
Status CheckReport(const JsonDocument& document);

// Whether the report was written redacted (--redact): its header says so ("redacted": true), or,
// in a report from before the header did, its computer name or machine id is a marker
// ("<computer>"). Its names are then no machine's own, and it is no record of one.
bool IsRedactedReport(const JsonDocument& document);

// The report in `text` read with kReportLimits and CheckReport; the one-line refusal naming
// `file` when it is not one the comparison reads.
JsonRead ReadReport(std::string_view text, std::string_view file);

}  // namespace sysinfo
