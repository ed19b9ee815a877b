// JSON report documents checked against schema/report.schema.json with valijson.
#include "tests/support/report_schema_check.h"

#include <nlohmann/json.hpp>
#include <valijson/adapters/nlohmann_json_adapter.hpp>
#include <valijson/schema.hpp>
#include <valijson/schema_parser.hpp>
#include <valijson/validator.hpp>

#include "generated/report_schema.h"

namespace sysinfo::testing {
namespace {

const valijson::Schema& ReportSchema() {
  static const valijson::Schema& schema = []() -> const valijson::Schema& {
    static valijson::Schema parsed;
    const nlohmann::json document = nlohmann::json::parse(kReportSchema);
    valijson::adapters::NlohmannJsonAdapter adapter(document);
    valijson::SchemaParser(valijson::SchemaParser::kDraft7).populateSchema(adapter, parsed);
    return parsed;
  }();
  return schema;
}

}  // namespace

std::vector<std::string> ReportSchemaErrors(const std::string& documentText) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(documentText);
  } catch (const nlohmann::json::exception& error) {
    return {std::string("not JSON: ") + error.what()};
  }
  valijson::Validator validator;
  valijson::ValidationResults results;
  valijson::adapters::NlohmannJsonAdapter target(document);
  if (validator.validate(ReportSchema(), target, &results)) return {};
  std::vector<std::string> errors;
  valijson::ValidationResults::Error error;
  while (results.popError(error)) {
    std::string where;
    for (const std::string& step : error.context) where += step;
    errors.push_back(where + ": " + error.description);
  }
  return errors;
}

}  // namespace sysinfo::testing
