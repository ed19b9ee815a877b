// JSON documents checked against the program's schemas with valijson.
#include "tests/support/report_schema_check.h"

#include <array>

#include <nlohmann/json.hpp>
#include <valijson/adapters/nlohmann_json_adapter.hpp>
#include <valijson/schema.hpp>
#include <valijson/schema_parser.hpp>
#include <valijson/validator.hpp>

#include "generated/compare_schema.h"
#include "generated/report_schema.h"

namespace sysinfo::testing {
namespace {

void Parse(std::string_view text, valijson::Schema& into) {
  const nlohmann::json document = nlohmann::json::parse(text);
  valijson::adapters::NlohmannJsonAdapter adapter(document);
  valijson::SchemaParser(valijson::SchemaParser::kDraft7).populateSchema(adapter, into);
}

const valijson::Schema& Loaded(Schema schema) {
  static const std::array<valijson::Schema, 2>& schemas = []() -> auto& {
    static std::array<valijson::Schema, 2> parsed;
    Parse(kReportSchema, parsed[0]);
    Parse(kCompareSchema, parsed[1]);
    return parsed;
  }
  ();
  return schemas[schema == Schema::Report ? 0 : 1];
}

}  // namespace

std::vector<std::string> SchemaErrors(Schema schema, const std::string& documentText) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(documentText);
  } catch (const nlohmann::json::exception& error) {
    return {std::string("not JSON: ") + error.what()};
  }
  valijson::Validator validator;
  valijson::ValidationResults results;
  valijson::adapters::NlohmannJsonAdapter target(document);
  if (validator.validate(Loaded(schema), target, &results)) return {};
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
