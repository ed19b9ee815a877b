// ItemRecorder: what the collectors write, as values, for the JSON report to listen to.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/value.h"

namespace sysinfo {

// How a category's collection ended.
enum class CategoryStatus {
  Ok,  // its sources answered and it has something to show
  Empty,  // its sources answered with nothing (a class the system lacks, no programs, ...)
  Failed,  // a source could not be read; the reason is kept
  TimedOut,  // a source stopped answering within the bounded wait
};

// "ok", "empty", "failed", "timed_out".
std::string_view CategoryStatusName(CategoryStatus status);

// How one source of a category ended: a query, a file, a family of places the category reads.
struct SourceOutcome {
  std::string name;  // as the category names it; empty: a source it does not tell apart
  CategoryStatus status = CategoryStatus::Ok;  // Ok: read to its end; or Failed, TimedOut
  std::string error;  // the platform's reason when it was not read

  // "Scheduled Tasks: Access denied.": the source (where named) and why.
  std::string Reason() const { return name.empty() ? error : name + ": " + error; }
};

struct CategoryOutcome {
  CategoryStatus status = CategoryStatus::Empty;
  std::string error;  // the platform's reason when failed or timed out: the first source's
  double milliseconds = 0;
  // When a source was not read: every source the category named and each one it did not name
  // that failed, in the order they ended; empty when every source was read.
  std::vector<SourceOutcome> sources;

  // Whether a source could not be read to its end: failed, or stopped answering.
  bool Unfinished() const {
    return status == CategoryStatus::Failed || status == CategoryStatus::TimedOut;
  }
};

// What a group of a category holds in the JSON report.
enum class GroupHolds {
  Items,  // a list of items, each an object of its fields
  OneItem,  // its one item's fields, as an object
  Texts,  // a list of texts, each the one value of an item
};

// How the JSON report holds what a category found: its items in groups. The groups are listed in
// a member of the category, each an object; or the category is its one group and holds the
// group's members itself. A group may carry its name in a member of its own. Each category declares
// its shape beside its collector; the JSON report, its check and the comparison read it from there.
struct ReportShape {
  std::string_view list = {};  // the category's member listing its groups; empty: one group
  std::string_view name = {};  // the group's member holding its name; empty: it has none
  std::string_view holds = "items";  // the group's member holding what is in it
  GroupHolds content = GroupHolds::Items;
  // The names a listed group may have, each at most once; the program's own text, never
  // redacted. Empty: a group is named by what it is of (a path), redacted as any text.
  std::span<const std::string_view> names = {};
  std::string_view groupText = "group";  // what a refusal calls a listed group
  std::string_view field = {};  // Texts: the field each text is to the comparison
  // A category that is its one group and has a name: the item the comparison shows that name as.
  // In brackets, so that no item named by its key values reads alike.
  std::string_view nameItem = {};
};

// What the collectors write, as values rather than lines: the JSON report listens here. The
// engines call it for exactly the lines they print, so the two reports agree. Every member does
// nothing by default: a report without a listener (the text report alone) is left untouched.
class ItemRecorder {
 public:
  virtual ~ItemRecorder() = default;

  // The scan driver frames each category; `number` is its section number in the report.
  virtual void BeginCategory(std::string_view /*name*/, int /*number*/,
                             const ReportShape& /*shape*/) {}
  virtual void EndCategory(const CategoryOutcome& /*outcome*/) {}

  // A group of the category's items, as its shape holds them.
  virtual void BeginGroup(std::string_view /*name*/) {}
  virtual void EndGroup() {}

  // One object, row or record: its printed values under their property or column names.
  virtual void BeginItem() {}
  virtual void Field(std::string_view /*name*/, const SourceValue& /*value*/) {}
  virtual void EndItem() {}
};

}  // namespace sysinfo
