// The questions the fleet database answers by name, and answers laid out for a person or as CSV.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tools/fleet/fleet_store.h"

namespace sysinfo {

struct Question {
  std::string_view name;
  std::string_view usage;  // its arguments, "PROGRAM VERSION"
  std::string_view purpose;
  std::span<const std::string_view> parameters;  // the SQL's, in the order the arguments come
  std::size_t required;  // how many arguments must be given
  std::string_view sql;  // the same text in SQLite and PostgreSQL
};

std::span<const Question> FleetQuestions();
const Question* FindQuestion(std::string_view name);

// Columns aligned by characters, a line of dashes under the names; NULL as empty.
std::string AnswerTable(const Answer& answer);
// CSV as PostgreSQL writes it: a header line, values quoted where they hold a comma, quote or
// line break or are empty, NULL as nothing, lines ending in "\n".
std::string AnswerCsv(const Answer& answer);

}  // namespace sysinfo
