// ItemRecorder: what the collectors write, as values, for the JSON report to listen to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

struct CategoryOutcome {
  CategoryStatus status = CategoryStatus::Empty;
  std::string error;  // the platform's reason when failed or timed out
  double milliseconds = 0;

  // Whether a source could not be read to its end: failed, or stopped answering.
  bool Unfinished() const {
    return status == CategoryStatus::Failed || status == CategoryStatus::TimedOut;
  }
};

// How a category holds what it found: items; named sub-sections of items (Memory); registry key
// blocks, each a path and its values (Proxy Info); a file's path and its lines (Host File Info).
enum class ReportShape { Items, Subsections, KeyBlocks, FileLines };

// What the collectors write, as values rather than lines: the JSON report listens here. The
// engines call it for exactly the lines they print, so the two reports agree. Every member does
// nothing by default: a report without a listener (the text report alone) is left untouched.
class ItemRecorder {
 public:
  virtual ~ItemRecorder() = default;

  // The scan driver frames each category; `number` is its section number in the report.
  virtual void BeginCategory(std::string_view /*name*/, int /*number*/, ReportShape /*shape*/) {}
  virtual void EndCategory(const CategoryOutcome& /*outcome*/) {}

  // One object, row or record: its printed values under their property or column names.
  virtual void BeginItem() {}
  virtual void Field(std::string_view /*name*/, const WmiValue& /*value*/) {}
  virtual void EndItem() {}

  // Memory: named parts ("Page File Info"), each holding items.
  virtual void BeginSubsection(std::string_view /*name*/) {}
  virtual void EndSubsection() {}

  // Proxy Info: a registry key's block, its values given as fields.
  virtual void BeginKey(std::string_view /*path*/) {}
  virtual void EndKey() {}

  // Host File Info: the file, then each of its lines as it stands.
  virtual void BeginFile(std::string_view /*path*/) {}
  virtual void Line(std::string_view /*text*/) {}
};

}  // namespace sysinfo
