// The fleet database on SQLite: the tables, one transaction per report, the history SQL shared
// with PostgreSQL, and questions with named parameters.
#include "tools/fleet/fleet_store.h"

#include <sqlite3.h>

#include "generated/fleet_sql.h"

namespace sysinfo {
namespace {

struct Finalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

Error DatabaseError(sqlite3* database) {
  return {ErrorKind::Failed, std::string("the database: ") + sqlite3_errmsg(database), 0};
}

Result<Statement> Prepare(sqlite3* database, std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(database, sql.data(), static_cast<int>(sql.size()), &raw, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(raw);
    return Result<Statement>{{}, DatabaseError(database)};
  }
  return Result<Statement>{Statement(raw), std::nullopt};
}

void Bind(sqlite3_stmt* statement, int index, std::string_view text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Runs a prepared insert once with these values, then readies it for the next.
Status Insert(sqlite3* database, sqlite3_stmt* statement,
              std::initializer_list<std::optional<std::string_view>> values) {
  int index = 0;
  for (const auto& value : values) {
    ++index;
    if (value) {
      Bind(statement, index, *value);
    } else {
      sqlite3_bind_null(statement, index);
    }
  }
  const int step = sqlite3_step(statement);
  sqlite3_reset(statement);
  return step == SQLITE_DONE ? Status() : DatabaseError(database);
}

void VersionKeyFunction(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* text = sqlite3_value_text(values[0]);
  if (!text) {
    sqlite3_result_null(context);
    return;
  }
  const std::string key = VersionKey(reinterpret_cast<const char*>(text));
  sqlite3_result_text(context, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

}  // namespace

std::string VersionKey(std::string_view version) {
  constexpr std::size_t kWidth = 20;
  std::string key;
  for (std::size_t at = 0; at < version.size();) {
    std::size_t end = at;
    const bool digits = version[at] >= '0' && version[at] <= '9';
    while (end < version.size() && (version[end] >= '0' && version[end] <= '9') == digits) ++end;
    const std::string_view piece = version.substr(at, end - at);
    if (digits && piece.size() < kWidth) key.append(kWidth - piece.size(), '0');
    key += digits ? piece.substr(0, kWidth) : piece;
    at = end;
  }
  return key;
}

// The log is for taking reports in only: closed back to one file, so that a reader who opens it
// read-only later leaves no log and no shared-memory file beside it.
void FleetStore::Closer::operator()(sqlite3* database) const {
  if (database && sqlite3_db_readonly(database, "main") == 0) {
    sqlite3_exec(database, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
  }
  sqlite3_close(database);
}

Result<FleetStore> FleetStore::Open(const std::string& path, bool readOnly) {
  sqlite3* raw = nullptr;
  const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  const int opened = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  FleetStore store(raw);
  if (opened != SQLITE_OK) {
    return Result<FleetStore>{std::move(store), Failure("cannot open the database \"" + path +
                                                        "\": " + sqlite3_errstr(opened))};
  }
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, 10'000);  // another ingest holding the file: wait for it
  sqlite3_create_function(raw, "version_key", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                          VersionKeyFunction, nullptr, nullptr);
  // A write-ahead log: each report's transaction is one append and one sync, not a rewrite of the
  // pages it touched; the log is folded back into the file when the last connection closes.
  Status made = readOnly ? Status()
                         : store.Run("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
  if (!made) made = readOnly ? Status() : store.Run(kFleetSqliteTables);
  if (made) return Result<FleetStore>{std::move(store), std::move(made)};
  return Result<FleetStore>{std::move(store), std::nullopt};
}

Status FleetStore::Run(std::string_view sql) {
  const std::string text(sql);
  char* message = nullptr;
  if (sqlite3_exec(database_.get(), text.c_str(), nullptr, nullptr, &message) == SQLITE_OK) {
    return std::nullopt;
  }
  Error error{ErrorKind::Failed, std::string("the database: ") + (message ? message : "?"), 0};
  sqlite3_free(message);
  return error;
}

Status FleetStore::Stage(const ScanRows& rows) {
  sqlite3* database = database_.get();
  auto scan = Prepare(database, "INSERT INTO new_scan VALUES (?, ?, ?, ?, ?, ?)");
  auto status = Prepare(database, "INSERT INTO new_status VALUES (?, ?, ?, ?, ?)");
  auto item = Prepare(database, "INSERT INTO new_item VALUES (?, ?, ?, ?, ?, ?)");
  for (const Status* failed : {&scan.error, &status.error, &item.error}) {
    if (*failed) return *failed;
  }
  const std::string level = std::to_string(rows.level);
  if (Status fault = Insert(
          database, scan.value.get(),
          {rows.machineId, rows.scanTime, level, rows.file, rows.computer, rows.idSource})) {
    return fault;
  }
  for (const StatusRow& row : rows.statuses) {
    const auto reason = row.reason.empty() ? std::nullopt
                                           : std::optional<std::string_view>(row.reason);
    if (Status fault = Insert(database, status.value.get(),
                              {rows.machineId, rows.scanTime, row.category, row.status, reason})) {
      return fault;
    }
  }
  for (const ItemRow& row : rows.items) {
    if (Status fault = Insert(
            database, item.value.get(),
            {rows.machineId, rows.scanTime, row.category, row.key, row.hash, row.stableFields})) {
      return fault;
    }
  }
  return std::nullopt;
}

Result<FleetStore::Taken> FleetStore::Take(const ScanRows& rows) {
  if (Status begun = Run("BEGIN IMMEDIATE")) return Result<Taken>{{}, std::move(begun)};
  auto held = Ask("SELECT 1 FROM scan WHERE machine_id = :machine AND scan_time = :time",
                  {{":machine", rows.machineId}, {":time", rows.scanTime}});
  const Taken taken = !held.Failed() && !held.value.rows.empty() ? Taken::AlreadyHeld
                                                                 : Taken::Added;
  Status fault = held.error;
  if (!fault) fault = Stage(rows);
  if (!fault) fault = Run(kFleetHistory);
  if (!fault) fault = Run("COMMIT");
  if (fault) {
    Run("ROLLBACK");
    Run("DELETE FROM new_item; DELETE FROM new_status; DELETE FROM new_scan;");
    return Result<Taken>{{}, std::move(fault)};
  }
  return Result<Taken>{taken, std::nullopt};
}

Result<Answer> FleetStore::Ask(std::string_view sql, const Parameters& parameters) {
  sqlite3* database = database_.get();
  auto statement = Prepare(database, sql);
  if (statement.Failed()) return Result<Answer>{{}, std::move(statement.error)};
  sqlite3_stmt* query = statement.value.get();
  for (const auto& [name, value] : parameters) {
    if (const int index = sqlite3_bind_parameter_index(query, name.c_str()); index > 0) {
      Bind(query, index, value);
    }
  }
  Answer answer;
  const int columns = sqlite3_column_count(query);
  for (int i = 0; i < columns; ++i) answer.columns.emplace_back(sqlite3_column_name(query, i));
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(query)) == SQLITE_ROW) {
    auto& row = answer.rows.emplace_back();
    for (int i = 0; i < columns; ++i) {
      const auto* text = sqlite3_column_text(query, i);
      row.push_back(text ? std::optional<std::string>(std::string(
                               reinterpret_cast<const char*>(text),
                               static_cast<std::size_t>(sqlite3_column_bytes(query, i))))
                         : std::nullopt);
    }
  }
  if (step != SQLITE_DONE) return Result<Answer>{{}, DatabaseError(database)};
  return Result<Answer>{std::move(answer), std::nullopt};
}

}  // namespace sysinfo
