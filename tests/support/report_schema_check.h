// JSON report documents checked against the report's schema.
#pragma once

#include <string>
#include <vector>

namespace sysinfo::testing {

// What is wrong with a JSON report's text, measured against schema/report.schema.json: a
// parse error, or each place that breaks the schema. Empty when the document is valid.
std::vector<std::string> ReportSchemaErrors(const std::string& documentText);

}  // namespace sysinfo::testing
