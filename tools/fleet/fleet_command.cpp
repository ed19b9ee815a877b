// The fleet program's commands: ingest, rows and ask.
#include "tools/fleet/fleet_command.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

#include "tools/fleet/fleet_questions.h"
#include "tools/fleet/fleet_rows.h"
#include "tools/fleet/fleet_store.h"
#include "tools/report_check.h"
#include "tools/report_items.h"

namespace sysinfo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "usage: sysinfo-fleet ingest REPORT-OR-FOLDER... --db FILE\n"
    "       sysinfo-fleet rows REPORT-OR-FOLDER... [--out FILE]\n"
    "       sysinfo-fleet ask --db FILE QUESTION [ARGUMENT...] [--csv]\n"
    "       sysinfo-fleet ask --db FILE --sql STATEMENT [--csv]\n"
    "       sysinfo-fleet ask --show-sql QUESTION\n"
    "A folder is searched for *.json files, eight folders deep at most.\n"
    "Exit status: 0 done, 1 done but a report was refused, 2 trouble.\n";

constexpr int kFolderDepth = 8;
constexpr std::size_t kProgressEvery = 250;

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void Say(std::FILE* stream, const std::string& line) { std::fputs((line + "\n").c_str(), stream); }

// The command line: the words that are not options, and the options' values.
struct Words {
  std::vector<std::string> plain;
  std::optional<std::string> database, out, sql, showSql;
  bool csv = false;
  std::string fault;
};

Words Parse(const std::vector<std::string>& args) {
  Words words;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& word = args[i];
    std::optional<std::string>* valued = word == "--db"         ? &words.database
                                         : word == "--out"      ? &words.out
                                         : word == "--sql"      ? &words.sql
                                         : word == "--show-sql" ? &words.showSql
                                                                : nullptr;
    if (valued) {
      if (i + 1 == args.size()) {
        words.fault = word + " needs a value";
        return words;
      }
      *valued = args[++i];
    } else if (word == "--csv") {
      words.csv = true;
    } else if (word.starts_with("--")) {
      words.fault = "unknown option " + QuotedForRefusal(word);
      return words;
    } else {
      words.plain.push_back(word);
    }
  }
  return words;
}

// The reports named: files as given, folders searched for *.json files in name order. A name
// that is neither a regular file nor a folder is refused, never followed.
struct Found {
  std::vector<fs::path> files;
  std::vector<std::string> refused;  // lines naming what could not be searched
};

bool IsJsonName(const fs::path& path) {
  std::string extension = Utf8Of(path.extension());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".json";
}

Found FindReports(const std::vector<std::string>& names) {
  Found found;
  for (const std::string& name : names) {
    const fs::path path = PathOf(name);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (fs::is_regular_file(status)) {
      found.files.push_back(path);
      continue;
    }
    if (!fs::is_directory(status)) {
      found.refused.push_back(RefusalLine(name, "not a regular file or a folder"));
      continue;
    }
    std::vector<fs::path> inside;
    fs::recursive_directory_iterator walk(path, fs::directory_options::skip_permission_denied,
                                          error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
      if (walk.depth() >= kFolderDepth) walk.disable_recursion_pending();
      const fs::file_status entry = walk->symlink_status(error);
      if (fs::is_regular_file(entry) && IsJsonName(walk->path())) inside.push_back(walk->path());
    }
    if (error) found.refused.push_back(RefusalLine(name, "cannot be searched: " + error.message()));
    std::sort(inside.begin(), inside.end());
    found.files.insert(found.files.end(), inside.begin(), inside.end());
  }
  return found;
}

// The rows of one report file, or the one line saying why it is refused.
Result<ScanRows> ReadRows(const fs::path& path) {
  const std::string name = Utf8Of(path);
  std::error_code error;
  const auto size = fs::file_size(path, error);
  if (error) return {{}, Failure(RefusalLine(name, "cannot be read: " + error.message()))};
  if (size > kReportLimits.maxBytes) return {{}, Failure(RefusalLine(name, "larger than 256 MiB"))};
  std::ifstream stream(path, std::ios::binary);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!stream.read(text.data(), static_cast<std::streamsize>(text.size()))) {
    return {{}, Failure(RefusalLine(name, "cannot be read"))};
  }
  const JsonRead report = ReadReport(text, name);
  if (report.Failed()) return {{}, report.error};
  Result<ScanRows> rows = RowsOfReport(report.value, name);
  if (rows.Failed()) rows.error->message = RefusalLine(name, rows.error->message);
  return rows;
}

int Ingest(const Words& words, std::FILE* out, std::FILE* err) {
  if (!words.database || words.plain.empty()) return Say(err, std::string(kUsage)), 2;
  Result<FleetStore> store = FleetStore::Open(*words.database, false);
  if (store.Failed()) return Say(err, "sysinfo-fleet: " + store.error->message), 2;
  const Found found = FindReports(words.plain);
  for (const std::string& line : found.refused) Say(err, "sysinfo-fleet: refused " + line);
  std::size_t added = 0, held = 0, refused = found.refused.size();
  for (std::size_t i = 0; i < found.files.size(); ++i) {
    if (i > 0 && i % kProgressEvery == 0) {
      Say(err, "sysinfo-fleet: " + std::to_string(i) + " of " + std::to_string(found.files.size()) +
                   " reports read");
    }
    const Result<ScanRows> rows = ReadRows(found.files[i]);
    if (rows.Failed()) {
      Say(err, "sysinfo-fleet: refused " + rows.error->message);
      ++refused;
      continue;
    }
    const auto taken = store.value.Take(rows.value);
    if (taken.Failed()) {
      return Say(err, "sysinfo-fleet: " + RefusalLine(rows.value.file, taken.error->message)), 2;
    }
    ++(taken.value == FleetStore::Taken::Added ? added : held);
  }
  Say(out, std::to_string(added) + " added, " + std::to_string(held) + " already held, " +
               std::to_string(refused) + " refused");
  return refused > 0 ? 1 : 0;
}

int Rows(const Words& words, std::FILE* out, std::FILE* err) {
  if (words.plain.empty() || words.database) return Say(err, std::string(kUsage)), 2;
  std::ofstream file;
  if (words.out) {
    file.open(PathOf(*words.out), std::ios::binary | std::ios::trunc);
    if (!file) return Say(err, "sysinfo-fleet: cannot write " + QuotedForRefusal(*words.out)), 2;
  }
  const Found found = FindReports(words.plain);
  for (const std::string& line : found.refused) Say(err, "sysinfo-fleet: refused " + line);
  std::size_t refused = found.refused.size();
  for (const fs::path& path : found.files) {
    const Result<ScanRows> rows = ReadRows(path);
    if (rows.Failed()) {
      Say(err, "sysinfo-fleet: refused " + rows.error->message);
      ++refused;
      continue;
    }
    const std::string lines = RowsNdjson(rows.value);
    if (words.out) {
      file << lines;
    } else {
      std::fwrite(lines.data(), 1, lines.size(), out);
    }
  }
  if (words.out && !file.flush()) {
    return Say(err, "sysinfo-fleet: cannot write " + QuotedForRefusal(*words.out)), 2;
  }
  return refused > 0 ? 1 : 0;
}

// The question's parameters from its arguments; the changes question's SINCE defaults to a week
// before the machine's latest scan, and both its times may be given as dates or local times.
std::optional<Parameters> Arguments(const Question& question, const std::vector<std::string>& given,
                                    FleetStore& store, std::string& fault) {
  if (given.size() < question.required || given.size() > question.parameters.size()) {
    fault = "the question " + std::string(question.name) + " takes " +
            (question.usage.empty() ? "no arguments" : std::string(question.usage));
    return std::nullopt;
  }
  Parameters parameters;
  for (std::size_t i = 0; i < question.parameters.size(); ++i) {
    const std::string name(question.parameters[i]);
    std::string value = i < given.size() ? given[i] : std::string();
    if (name == ":since" || name == ":until") {
      if (value.empty() && name == ":until") value = "9999-12-31T23:59:59Z";
      if (value.empty()) {
        const auto latest = store.Ask("SELECT MAX(scan_time) FROM scan s JOIN machine m ON "
                                      "m.machine_id = s.machine_id WHERE m.machine_id = :machine "
                                      "OR m.computer = :machine",
                                      {{":machine", given[0]}});
        const auto& row = latest.value.rows;
        value = !latest.Failed() && !row.empty() && row[0][0] ? *row[0][0] : std::string();
        value = DaysBefore(value, 7).value_or("0000");
      } else if (value.size() == 10) {
        value += "T23:59:59Z";  // a date: the end of that day
      } else if (const auto utc = UtcTime(value)) {
        value = *utc;
      } else {
        fault = QuotedForRefusal(value) + " is not a date (2026-12-01) or an ISO 8601 time";
        return std::nullopt;
      }
    }
    parameters.emplace_back(name, value);
  }
  return parameters;
}

int Ask(const Words& words, std::FILE* out, std::FILE* err) {
  if (words.showSql) {
    const Question* question = FindQuestion(*words.showSql);
    if (!question)
      return Say(err, "sysinfo-fleet: no question " + QuotedForRefusal(*words.showSql)), 2;
    return Say(out, std::string(question->sql.substr(1)) + ";"), 0;
  }
  if (!words.database || (words.sql.has_value() == !words.plain.empty())) {
    std::string questions = "Questions:\n";
    for (const Question& question : FleetQuestions()) {
      questions += "  " + std::string(question.name) + " " + std::string(question.usage) +
                   "\n      " + std::string(question.purpose) + "\n";
    }
    return Say(err, std::string(kUsage) + questions), 2;
  }
  Result<FleetStore> store = FleetStore::Open(*words.database, true);
  if (store.Failed()) return Say(err, "sysinfo-fleet: " + store.error->message), 2;
  Result<Answer> answer;
  if (words.sql) {
    answer = store.value.Ask(*words.sql, {});
  } else {
    const Question* question = FindQuestion(words.plain[0]);
    if (!question)
      return Say(err, "sysinfo-fleet: no question " + QuotedForRefusal(words.plain[0])), 2;
    std::string fault;
    const std::vector<std::string> given(words.plain.begin() + 1, words.plain.end());
    const auto parameters = Arguments(*question, given, store.value, fault);
    if (!parameters) return Say(err, "sysinfo-fleet: " + fault), 2;
    answer = store.value.Ask(question->sql, *parameters);
  }
  if (answer.Failed()) return Say(err, "sysinfo-fleet: " + answer.error->message), 2;
  const std::string text = words.csv ? AnswerCsv(answer.value) : AnswerTable(answer.value);
  std::fwrite(text.data(), 1, text.size(), out);
  return 0;
}

}  // namespace

int RunFleetCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  const Words words = Parse(args);
  if (args.empty()) return Say(err, std::string(kUsage)), 2;
  if (!words.fault.empty())
    return Say(err, "sysinfo-fleet: " + words.fault + "\n" + std::string(kUsage)), 2;
  if (args[0] == "ingest") return Ingest(words, out, err);
  if (args[0] == "rows") return Rows(words, out, err);
  if (args[0] == "ask") return Ask(words, out, err);
  return Say(err,
             "sysinfo-fleet: no command " + QuotedForRefusal(args[0]) + "\n" + std::string(kUsage)),
         2;
}

}  // namespace sysinfo
