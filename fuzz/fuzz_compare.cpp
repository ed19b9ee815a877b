// Two documents read as reports and compared: no crash; a refusal is one short printable line; a
// report compared with itself has no differences; a comparison read backwards is its mirror.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "tools/report_check.h"
#include "tools/report_compare.h"

namespace {

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

bool Printable(std::string_view text, std::string_view allowed) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && allowed.find(c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

std::optional<sysinfo::JsonDocument> Read(std::string_view text) {
  auto read = sysinfo::ReadReport(text, "r.json");
  if (!read.Failed()) return std::move(read.value);
  Require(read.error->message.size() <= 4 * 170 && Printable(read.error->message, ""));
  return std::nullopt;
}

// Each category's added and removed counts, the removed first when read backwards.
std::map<std::string, std::pair<std::size_t, std::size_t>> Counts(
    const sysinfo::Comparison& comparison, bool backwards) {
  std::map<std::string, std::pair<std::size_t, std::size_t>> counts;
  for (const auto& category : comparison.categories) {
    const std::size_t added = category.added.size(), removed = category.removed.size();
    counts[category.name] = backwards ? std::pair(removed, added) : std::pair(added, removed);
  }
  return counts;
}

}  // namespace

// The two documents are separated by the first form feed, which no JSON text holds outside a
// string and none inside one; without it the document is compared with itself.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\f');
  const auto before = Read(input.substr(0, cut));
  const auto after = cut == std::string_view::npos ? std::nullopt : Read(input.substr(cut + 1));
  if (!before) return 0;
  Require(!sysinfo::CompareReports(*before, *before, {"a", "a", true}).Differs());
  if (!after) return 0;
  const auto forth = sysinfo::CompareReports(*before, *after, {"old.json", "new.json", true});
  const auto back = sysinfo::CompareReports(*after, *before, {"new.json", "old.json", true});
  Require(forth.Differs() == back.Differs() && Counts(forth, false) == Counts(back, true));
  Require(Printable(sysinfo::ComparisonText(forth), "\n\t"));  // tabs are shown as they are
  Require(!sysinfo::ReadJsonText(sysinfo::ComparisonJson(forth), "out", {}, nullptr).Failed());
  return 0;
}
