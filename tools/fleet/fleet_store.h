// The fleet database in one SQLite file: reports taken in whole or not at all, questions asked.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "tools/fleet/fleet_rows.h"

struct sqlite3;

namespace sysinfo {

// What a question answered: its columns and rows, each value as text or nothing for NULL.
struct Answer {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
};

// A question's named parameters (":program") and their values.
using Parameters = std::vector<std::pair<std::string, std::string>>;

// A version as text that sorts as versions do: each run of digits made 20 digits long with
// leading zeros (a longer run keeps its first 20), the rest as it is; "10.2" sorts after "9.11".
// The database knows it as version_key(text), in SQLite and PostgreSQL alike.
std::string VersionKey(std::string_view version);

class FleetStore {
 public:
  enum class Taken { Added, AlreadyHeld };

  FleetStore() = default;  // no database: what a failed Open gives

  // The database at `path` (UTF-8), made with its tables when it is not there; read-only opens an
  // existing one and writes nothing.
  static Result<FleetStore> Open(const std::string& path, bool readOnly);

  // One report's rows in one transaction: all of them and the history they change, or nothing.
  Result<Taken> Take(const ScanRows& rows);

  // Runs `sql` (one statement) with `parameters` bound by name.
  Result<Answer> Ask(std::string_view sql, const Parameters& parameters);

 private:
  struct Closer {
    void operator()(sqlite3* database) const;
  };
  explicit FleetStore(sqlite3* database) : database_(database) {}
  Status Run(std::string_view sql);  // statements without results, one after another
  Status Stage(const ScanRows& rows);

  std::unique_ptr<sqlite3, Closer> database_;
};

}  // namespace sysinfo
