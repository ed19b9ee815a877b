// A JSON report as the fleet database holds it: one row for the scan, one per category's status
// and one per item, each item keyed as the comparison matches it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "report/json_reader.h"

namespace sysinfo {

struct StatusRow {
  std::string category, status;
  std::string reason;  // a failed scan's; empty for the others
};

struct ItemRow {
  std::string category;
  // The item's name as the comparison shows it ("subsection: name" where its category lists
  // named groups); the second and later items of one name in a scan get ", #2", ", #3", ...
  // after it, which no name can end with, so that they pair in order as the comparison pairs them.
  std::string key;
  std::string hash;  // SHA-256 of the fields that do not change by themselves, in any order
  std::string fields;  // every field, a JSON object in the report's order
  std::string stableFields;  // the same without the fields that change by themselves
  std::vector<std::string> changing;  // the names of those left out
};

struct ScanRows {
  std::string machineId, idSource, computer;
  std::string scanTime;  // UTC, "2026-12-07T20:44:46Z": text that sorts as time does
  int level = 0;
  std::string file;
  std::vector<StatusRow> statuses;
  std::vector<ItemRow> items;
};

// Whether a category's items may be read as the machine's state: a scan that failed or timed
// out lists only part of them, so its items neither close nor open anything in the history.
bool FinishedStatus(std::string_view status);

// The rows of a report CheckReport accepted, or why the database cannot take it (a report
// without a machine id, a redacted one: its identities cannot be told apart).
Result<ScanRows> RowsOfReport(const JsonDocument& report, std::string_view file);

// An ISO 8601 time with its offset ("2026-12-07T21:44:46+01:00") as UTC ("...T20:44:46Z");
// nothing for text that is not one.
std::optional<std::string> UtcTime(std::string_view isoTime);

// A UTC time `days` days earlier; nothing for text that is not an ISO 8601 time.
std::optional<std::string> DaysBefore(std::string_view utc, int days);

// The scan as lines of JSON ("\n" after each): one for the scan, one per status, one per item.
std::string RowsNdjson(const ScanRows& rows);

}  // namespace sysinfo
