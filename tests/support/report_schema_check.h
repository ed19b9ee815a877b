// JSON documents checked against the program's schemas: the report's and the comparison's.
#pragma once

#include <string>
#include <vector>

namespace sysinfo::testing {

enum class Schema { Report, Comparison };  // schema/report.schema.json, schema/compare.schema.json

// What is wrong with a document's text, measured against `schema`: a parse error, or each place
// that breaks the schema. Empty when the document is valid.
std::vector<std::string> SchemaErrors(Schema schema, const std::string& documentText);

inline std::vector<std::string> ReportSchemaErrors(const std::string& documentText) {
  return SchemaErrors(Schema::Report, documentText);
}

}  // namespace sysinfo::testing
