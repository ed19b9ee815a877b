// A checked JSON report turned into the rows of the fleet database and of the NDJSON output.
#include "tools/fleet/fleet_rows.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "base/json_value.h"
#include "tools/fleet/sha256.h"
#include "tools/report_check.h"
#include "tools/report_items.h"

namespace sysinfo {
namespace {

using Json = nlohmann::ordered_json;

std::string Quoted(std::string_view text) {
  return Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Member(JsonNode object, std::string_view name) {
  const auto found = object.Find(name);
  return found && found->Is(JsonKind::String) ? std::string(found->Text()) : std::string();
}

// A value as JSON text: strings escaped, numbers as the report wrote them.
void AppendValue(std::string& out, JsonNode value) {
  switch (value.Kind()) {
    case JsonKind::Null: out += "null"; return;
    case JsonKind::True: out += "true"; return;
    case JsonKind::False: out += "false"; return;
    case JsonKind::String: out += Quoted(value.Text()); return;
    default: out += value.Text();  // a number, or a list or object the check never lets through
  }
}

std::string FieldsJson(const std::vector<const ItemField*>& fields) {
  std::string json = "{";
  for (const ItemField* field : fields) {
    if (json.size() > 1) json += ',';
    json += Quoted(field->name);
    json += ':';
    AppendValue(json, field->value);
  }
  return json + "}";
}

// A time as its wall-clock reading, however the report spelled it: layout 1 wrote file times in
// the locale's long spelling, layout 2 as ISO 8601, and the comparison takes one reading in the
// two spellings as equal. Other text as it is.
std::string HashedText(std::string_view text) {
  auto time = ParseIso8601(text);
  if (!time && text.find(':') != std::string_view::npos) time = ParseLongDateTime(text);
  if (!time) return std::string(text);
  char reading[32];
  std::snprintf(reading, sizeof reading, "time %04d-%02d-%02d %02d:%02d:%02d", time->year,
                time->month, time->day, time->hour, time->minute, time->second);
  return reading;
}

// What the hash reads: the fields by name, each value by its kind and content (numbers by value,
// as the comparison's SameJson compares them; times by their reading), so that field order and
// spelling change nothing and no two different items give one text.
std::string HashInput(std::vector<const ItemField*> fields) {
  std::sort(fields.begin(), fields.end(),
            [](const ItemField* a, const ItemField* b) { return a->name < b->name; });
  std::string input;
  for (const ItemField* field : fields) {
    input += std::to_string(field->name.size()) + ':';
    input += field->name;
    const JsonNode value = field->value;
    input += static_cast<char>('0' + static_cast<int>(value.Kind()));
    const std::string text = value.Is(JsonKind::Number) ? NumberKey(value.Number())
                                                        : HashedText(value.Text());
    input += std::to_string(text.size()) + ':';
    input += text;
  }
  return input;
}

std::string KeyText(const ItemName& name) {
  return name.subsection.empty() ? name.name : name.subsection + ": " + name.name;
}

void AddItems(ScanRows& rows, JsonNode category) {
  const std::string name = Member(category, "name");
  const ItemRules rules = ItemRulesOf(name);
  MatchKeys keys(rules.key);
  std::unordered_map<std::string, std::size_t> seen;  // items of each name so far
  std::vector<ItemField> fields;
  for (const ReportItem& item : ListItems(category, rules.shape)) {
    ItemRow row{name, KeyText(NameOf(item, keys.Of(item), rules.key)), {}, {}, {}, {}};
    if (const std::size_t count = ++seen[row.key]; count > 1) {
      row.key += ", #" + std::to_string(count);
    }
    CollectFields(item, fields);
    std::vector<const ItemField*> all, stable;
    for (const ItemField& field : fields) {
      all.push_back(&field);
      const bool changes = std::find(rules.changing.begin(), rules.changing.end(), field.name) !=
                           rules.changing.end();
      if (changes) {
        row.changing.emplace_back(field.name);
      } else {
        stable.push_back(&field);
      }
    }
    row.hash = Sha256Hex(HashInput(stable));
    row.fields = FieldsJson(all);
    row.stableFields = row.changing.empty() ? row.fields : FieldsJson(stable);
    rows.items.push_back(std::move(row));
  }
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) /
                             365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  if (at + count > text.size()) return std::nullopt;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

bool FinishedStatus(std::string_view status) { return status != "failed" && status != "timed_out"; }

std::optional<std::string> UtcTime(std::string_view iso) {
  // "YYYY-MM-DDTHH:MM:SS" and then "Z" or "+HH:MM" / "-HH:MM".
  const auto year = Digits(iso, 0, 4), month = Digits(iso, 5, 2), day = Digits(iso, 8, 2);
  const auto hour = Digits(iso, 11, 2), minute = Digits(iso, 14, 2), second = Digits(iso, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second || iso.size() < 20 || iso[4] != '-' ||
      iso[7] != '-' || iso[10] != 'T' || iso[13] != ':' || iso[16] != ':' || *month < 1 ||
      *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60) {
    return std::nullopt;
  }
  int offset = 0;
  if (iso.substr(19) != "Z") {
    const auto offsetHours = Digits(iso, 20, 2), offsetMinutes = Digits(iso, 23, 2);
    if (iso.size() != 25 || (iso[19] != '+' && iso[19] != '-') || iso[22] != ':' || !offsetHours ||
        !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) {
      return std::nullopt;
    }
    offset = (iso[19] == '+' ? 1 : -1) * (*offsetHours * 60 + *offsetMinutes);
  }
  const std::int64_t minutes = (DaysFromCivil(*year, *month, *day) * 24 + *hour) * 60 + *minute -
                               offset;
  const std::int64_t days = minutes >= 0 ? minutes / 1440 : (minutes - 1439) / 1440;
  const std::int64_t inDay = minutes - days * 1440;
  int utcYear = 0;
  unsigned utcMonth = 0, utcDay = 0;
  CivilFromDays(days, utcYear, utcMonth, utcDay);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", utcYear, utcMonth, utcDay,
                static_cast<int>(inDay / 60), static_cast<int>(inDay % 60), *second);
  return std::string(text);
}

std::optional<std::string> DaysBefore(std::string_view utc, int days) {
  const auto time = UtcTime(utc);
  if (!time) return std::nullopt;
  int year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(
      DaysFromCivil(*Digits(*time, 0, 4), *Digits(*time, 5, 2), *Digits(*time, 8, 2)) - days, year,
      month, day);
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02u-%02u", year, month, day);
  return date + time->substr(10);
}

Result<ScanRows> RowsOfReport(const JsonDocument& report, std::string_view file) {
  const JsonNode root = report.Root();
  ScanRows rows;
  rows.machineId = Member(root, "machineId");
  rows.idSource = Member(root, "machineIdSource");
  rows.computer = Member(root, "computer");
  rows.file = std::string(file);
  if (IsRedactedReport(report)) {
    return {{}, Failure("a redacted report: its identities cannot be told apart")};
  }
  if (rows.machineId.empty())
    return {{}, Failure("a report without a machine id (an older version's)")};
  const auto time = UtcTime(Member(root, "scanTime"));
  if (!time) return {{}, Failure("a scan time that is not ISO 8601 with its offset")};
  rows.scanTime = *time;
  rows.level =
      static_cast<int>(std::stoll(NumberKey(root.Find("level")->Find("number")->Number())));
  const JsonNode categories = *root.Find("categories");  // held: the optional is a temporary
  for (JsonNode category : categories) {
    rows.statuses.push_back(
        {Member(category, "name"), Member(category, "status"), Member(category, "error")});
    AddItems(rows, category);
  }
  return {std::move(rows), std::nullopt};
}

std::string RowsNdjson(const ScanRows& rows) {
  const std::string scan = "\"machineId\":" + Quoted(rows.machineId) +
                           ",\"scanTime\":" + Quoted(rows.scanTime);
  std::string out = "{\"row\":\"scan\"," + scan + ",\"idSource\":" + Quoted(rows.idSource) +
                    ",\"computer\":" + Quoted(rows.computer) +
                    ",\"level\":" + std::to_string(rows.level) + ",\"file\":" + Quoted(rows.file) +
                    "}\n";
  for (const StatusRow& status : rows.statuses) {
    out += "{\"row\":\"status\"," + scan + ",\"category\":" + Quoted(status.category) +
           ",\"status\":" + Quoted(status.status) +
           ",\"reason\":" + (status.reason.empty() ? "null" : Quoted(status.reason)) + "}\n";
  }
  const std::string scanOfItem = scan + ",\"computer\":" + Quoted(rows.computer) +
                                 ",\"level\":" + std::to_string(rows.level);
  for (const ItemRow& item : rows.items) {
    out += "{\"row\":\"item\"," + scanOfItem + ",\"category\":" + Quoted(item.category) +
           ",\"key\":" + Quoted(item.key) + ",\"hash\":\"" + item.hash + "\"";
    if (!item.changing.empty()) {
      out += ",\"changing\":[";
      for (std::size_t i = 0; i < item.changing.size(); ++i) {
        out += (i > 0 ? "," : "") + Quoted(item.changing[i]);
      }
      out += "]";
    }
    out += ",\"fields\":" + item.fields + "}\n";
  }
  return out;
}

}  // namespace sysinfo
