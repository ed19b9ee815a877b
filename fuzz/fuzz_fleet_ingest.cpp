// A document read as a report and taken into the fleet database: no crash; a refusal is one short
// printable line; the rows are JSON, one per line; a report taken twice is held once.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/fleet/fleet_rows.h"
#include "tools/fleet/fleet_store.h"
#include "tools/report_check.h"

namespace {

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

bool Printable(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A database made anew now and then: one that only grows would slow every later run.
  static sysinfo::FleetStore store;
  static int taken = 0;
  if (taken++ % 512 == 0) store = sysinfo::FleetStore::Open(":memory:", false).value;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto read = sysinfo::ReadReport(input, "r.json");
  if (read.Failed()) return 0;
  const auto rows = sysinfo::RowsOfReport(read.value, "r.json");
  if (rows.Failed()) {
    Require(rows.error->message.size() <= 170 && Printable(rows.error->message));
    return 0;
  }
  const std::string lines = sysinfo::RowsNdjson(rows.value);
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = lines.find('\n', at);
    Require(end != std::string::npos);
    Require(!sysinfo::ParseJson(std::string_view(lines).substr(at, end - at), {}).Failed());
    at = end + 1;
  }
  const auto first = store.Take(rows.value);
  Require(!first.Failed());
  const auto again = store.Take(rows.value);
  Require(!again.Failed() && again.value == sysinfo::FleetStore::Taken::AlreadyHeld);
  return 0;
}
