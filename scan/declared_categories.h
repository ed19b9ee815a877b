// The category list as a scan runs over it: each category's frame, and its collector run over
// the sources.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "collectors/categories.h"
#include "scan/scan.h"

namespace sysinfo {

// How the scan frames the category at the level; `filePath` is the file a category that copies
// one names on its start line.
CategoryFrame FrameOf(const CategoryDefinition& category, DetailLevel level,
                      std::string_view filePath);

// The list as a scan runs over it, each category collected from these sources. The Windows
// build's own turns the file-system redirection off for a category that asks for it.
class DeclaredCategories : public ScanCategories {
 public:
  explicit DeclaredCategories(const Sources& sources) : sources_(sources) {}
  std::size_t Count() const override { return kCategoryCount; }
  CategoryFrame Frame(std::size_t index, DetailLevel level) const override;
  void Collect(ReportWriter& report, std::size_t index, DetailLevel level) override;

 private:
  const Sources& sources_;
};

// Whether a text report of the ticked categories (by position in the list) shows a file's SHA-256
// at the level: one of them shows it from there.
bool TextShowsSha256(const std::vector<bool>& ticked, DetailLevel level);

}  // namespace sysinfo
