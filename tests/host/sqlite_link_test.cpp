// The SQLite each build links (the system's natively, the compiled-in source on Windows) runs the
// queries the fleet loader is written with: JSON paths and `->>` (3.38) and window functions.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <memory>
#include <string>

namespace sysinfo {
namespace {

struct CloseDatabase {
  void operator()(sqlite3* database) const { sqlite3_close(database); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// The first column of the first row as text, or SQLite's error message.
std::string FirstValue(sqlite3* database, const char* sql) {
  sqlite3_stmt* prepared = nullptr;
  if (sqlite3_prepare_v2(database, sql, -1, &prepared, nullptr) != SQLITE_OK) {
    return sqlite3_errmsg(database);
  }
  const Statement statement{prepared};
  if (sqlite3_step(prepared) != SQLITE_ROW) return sqlite3_errmsg(database);
  const auto* text = sqlite3_column_text(prepared, 0);
  return text ? reinterpret_cast<const char*>(text) : "NULL";
}

TEST(SqliteLink, RunsJsonAndWindowQueries) {
  sqlite3* opened = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &opened), SQLITE_OK);
  const Database database{opened};
  const std::pair<const char*, std::string> cases[] = {
      {R"(SELECT '{"cpu":{"cores":8}}' ->> '$.cpu.cores')", "8"},
      {R"(SELECT json_extract('{"drives":["C:","D:"]}', '$.drives[1]'))", "D:"},
      // A running total over the two rows before: 2 + 3 + 4 at the last row.
      {"SELECT sum(column1) OVER (ORDER BY column1 ROWS 2 PRECEDING) AS total FROM "
       "(VALUES (1), (2), (3), (4)) ORDER BY total DESC LIMIT 1",
       "9"},
      {R"(SELECT r ->> '$.name' FROM (SELECT value AS r, rank() OVER (ORDER BY value ->> '$.gb'
          DESC) AS place FROM json_each('[{"name":"a","gb":4},{"name":"b","gb":16}]'))
          WHERE place = 1)",
       "b"},
  };
  for (const auto& [sql, expected] : cases)
    EXPECT_EQ(FirstValue(database.get(), sql), expected) << sql;
}

}  // namespace
}  // namespace sysinfo
