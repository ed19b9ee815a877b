// The questions an administrator asks of a fleet, written once for SQLite and PostgreSQL alike:
// only the `->>` operator, window-free SQL and version_key(), which both databases define.
#include "tools/fleet/fleet_questions.h"

#include <algorithm>
#include <array>

namespace sysinfo {
namespace {

// A program is found by its DisplayName as a LIKE pattern, case-blind for A-Z in both databases.
constexpr std::string_view kBelowVersion = R"sql(
SELECT m.computer, v.machine_id, v.fields->>'DisplayName' AS program,
       v.fields->>'DisplayVersion' AS version, v.first_seen AS since
FROM item_version v JOIN machine m ON m.machine_id = v.machine_id
WHERE v.gone_at IS NULL AND v.category = 'Software'
  AND lower(v.fields->>'DisplayName') LIKE lower(:program)
  AND version_key(v.fields->>'DisplayVersion') < version_key(:version)
ORDER BY m.computer, v.machine_id, program, version)sql";

constexpr std::string_view kUnsignedAutostart = R"sql(
SELECT m.computer, v.machine_id, v.fields->>'Location' AS location, v.fields->>'Name' AS name,
       v.fields->>'Image' AS image, v.fields->>'Signature' AS signature, v.first_seen AS since
FROM item_version v JOIN machine m ON m.machine_id = v.machine_id
WHERE v.gone_at IS NULL AND v.category = 'Autostart Entries'
  AND v.fields->>'Signature' <> 'signed'
ORDER BY m.computer, v.machine_id, location, name, v.item_key)sql";

// The machine's last scan at or before :since against its last at or before :until, category by
// category as --compare does: a category that failed or timed out in either is not compared.
constexpr std::string_view kChanges = R"sql(
WITH target AS (
  SELECT machine_id, computer FROM machine WHERE machine_id = :machine OR computer = :machine),
ends AS (
  SELECT t.machine_id, t.computer,
         (SELECT MAX(s.scan_time) FROM scan s
          WHERE s.machine_id = t.machine_id AND s.scan_time <= :since) AS first_scan,
         (SELECT MAX(s.scan_time) FROM scan s
          WHERE s.machine_id = t.machine_id AND s.scan_time <= :until) AS last_scan
  FROM target t),
pair AS (
  SELECT e.machine_id, e.computer, a.category, e.first_scan, e.last_scan,
         a.status NOT IN ('failed', 'timed_out') AND b.status NOT IN ('failed', 'timed_out')
           AS compared
  FROM ends e
  JOIN category_status a ON a.machine_id = e.machine_id AND a.scan_time = e.first_scan
  JOIN category_status b ON b.machine_id = e.machine_id AND b.scan_time = e.last_scan
                        AND b.category = a.category
  WHERE e.first_scan < e.last_scan),
before_scan AS (
  SELECT p.machine_id, p.category, v.item_key, v.fields_hash FROM pair p
  JOIN item_version v ON v.machine_id = p.machine_id AND v.category = p.category
                     AND v.first_seen <= p.first_scan AND v.last_seen >= p.first_scan
  WHERE p.compared),
after_scan AS (
  SELECT p.machine_id, p.category, v.item_key, v.fields_hash FROM pair p
  JOIN item_version v ON v.machine_id = p.machine_id AND v.category = p.category
                     AND v.first_seen <= p.last_scan AND v.last_seen >= p.last_scan
  WHERE p.compared),
change AS (
  SELECT n.machine_id, n.category, 'added' AS change, n.item_key FROM after_scan n
  WHERE NOT EXISTS (SELECT 1 FROM before_scan o WHERE o.machine_id = n.machine_id
                      AND o.category = n.category AND o.item_key = n.item_key)
  UNION ALL
  SELECT o.machine_id, o.category, 'removed', o.item_key FROM before_scan o
  WHERE NOT EXISTS (SELECT 1 FROM after_scan n WHERE n.machine_id = o.machine_id
                      AND n.category = o.category AND n.item_key = o.item_key)
  UNION ALL
  SELECT n.machine_id, n.category, 'changed', n.item_key FROM after_scan n
  JOIN before_scan o ON o.machine_id = n.machine_id AND o.category = n.category
                    AND o.item_key = n.item_key
  WHERE o.fields_hash <> n.fields_hash
  UNION ALL
  SELECT p.machine_id, p.category, 'not compared', NULL FROM pair p WHERE NOT p.compared)
SELECT p.computer, c.machine_id, p.first_scan AS since, p.last_scan AS until, c.category,
       c.change, c.item_key AS item
FROM change c JOIN pair p ON p.machine_id = c.machine_id AND p.category = c.category
ORDER BY p.computer, c.machine_id, c.category, c.change, c.item_key)sql";

constexpr std::string_view kFirstSeen = R"sql(
SELECT v.fields->>'DisplayName' AS program, v.fields->>'DisplayVersion' AS version,
       MIN(v.first_seen) AS first_seen, COUNT(DISTINCT v.machine_id) AS machines_ever
FROM item_version v
WHERE v.category = 'Software' AND lower(v.fields->>'DisplayName') LIKE lower(:program)
GROUP BY v.fields->>'DisplayName', v.fields->>'DisplayVersion'
ORDER BY program, version_key(v.fields->>'DisplayVersion'), version)sql";

constexpr std::string_view kHowMany = R"sql(
SELECT v.fields->>'DisplayName' AS program, v.fields->>'DisplayVersion' AS version,
       COUNT(DISTINCT v.machine_id) AS machines
FROM item_version v
WHERE v.gone_at IS NULL AND v.category = 'Software'
  AND lower(v.fields->>'DisplayName') LIKE lower(:program)
GROUP BY v.fields->>'DisplayName', v.fields->>'DisplayVersion'
ORDER BY program, version_key(v.fields->>'DisplayVersion'), version)sql";

constexpr std::string_view kMachines = R"sql(
WITH scans AS (
  SELECT machine_id, COUNT(*) AS scans, MIN(scan_time) AS first_scan,
         MAX(scan_time) AS last_scan
  FROM scan GROUP BY machine_id)
SELECT m.computer, m.machine_id, m.id_source, s.scans, s.first_scan, s.last_scan,
       (SELECT COUNT(*) FROM category_status c
        WHERE c.machine_id = m.machine_id AND c.scan_time = s.last_scan
          AND c.status IN ('failed', 'timed_out')) AS unread_categories
FROM machine m JOIN scans s ON s.machine_id = m.machine_id
ORDER BY m.computer, m.machine_id)sql";

constexpr std::array<std::string_view, 2> kProgramVersion{":program", ":version"};
constexpr std::array<std::string_view, 3> kMachineSinceUntil{":machine", ":since", ":until"};
constexpr std::array<std::string_view, 1> kProgram{":program"};

const std::array<Question, 6> kQuestionList{{
    {"below-version", "PROGRAM VERSION",
     "machines with PROGRAM installed now in a version below VERSION", kProgramVersion, 2,
     kBelowVersion},
    {"unsigned-autostart",
     "",
     "autostart entries present now whose file is not validly signed",
     {},
     0,
     kUnsignedAutostart},
    {"changes", "MACHINE [SINCE [UNTIL]]",
     "what was added, removed and changed on MACHINE (id or name) between its last scan at or "
     "before SINCE (default: a week before its latest) and UNTIL (default: its latest)",
     kMachineSinceUntil, 1, kChanges},
    {"first-seen", "PROGRAM",
     "each version of PROGRAM: when the fleet first had it and on how many machines it was ever",
     kProgram, 1, kFirstSeen},
    {"how-many", "PROGRAM", "each version of PROGRAM and how many machines have it now", kProgram,
     1, kHowMany},
    {"machines",
     "",
     "every machine: its name, id, scans and categories unread in its latest",
     {},
     0,
     kMachines},
}};

// Characters a terminal shows one column wide each: UTF-8 lead bytes, not continuation bytes.
std::size_t Width(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Quoted where it holds a comma, quote or line break, and when empty, so that an empty text is
// told from NULL (nothing at all), as PostgreSQL's CSV does.
std::string CsvValue(const std::optional<std::string>& value) {
  if (!value) return {};
  const std::string& text = *value;
  if (!text.empty() && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::span<const Question> FleetQuestions() { return kQuestionList; }

const Question* FindQuestion(std::string_view name) {
  for (const Question& question : kQuestionList) {
    if (question.name == name) return &question;
  }
  return nullptr;
}

std::string AnswerTable(const Answer& answer) {
  std::vector<std::size_t> widths;
  for (const std::string& column : answer.columns) widths.push_back(Width(column));
  for (const auto& row : answer.rows) {
    for (std::size_t i = 0; i < row.size(); ++i)
      widths[i] = std::max(widths[i], Width(row[i].value_or("")));
  }
  const auto line = [&](auto value) {
    std::string text;
    for (std::size_t i = 0; i < widths.size(); ++i) {
      const std::string cell = value(i);
      text += cell;
      if (i + 1 < widths.size()) text.append(widths[i] - Width(cell) + 2, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text + "\n";
  };
  std::string text = line([&](std::size_t i) { return answer.columns[i]; });
  text += line([&](std::size_t i) { return std::string(widths[i], '-'); });
  for (const auto& row : answer.rows) {
    text += line([&](std::size_t i) { return row[i].value_or(""); });
  }
  return text + "(" + std::to_string(answer.rows.size()) +
         (answer.rows.size() == 1 ? " row)\n" : " rows)\n");
}

std::string AnswerCsv(const Answer& answer) {
  std::string text;
  const auto line = [&](const auto& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i > 0) text += ',';
      text += CsvValue(values[i]);
    }
    text += "\n";
  };
  line(std::vector<std::optional<std::string>>(answer.columns.begin(), answer.columns.end()));
  for (const auto& row : answer.rows) line(row);
  return text;
}

}  // namespace sysinfo
