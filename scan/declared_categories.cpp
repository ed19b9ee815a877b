// The scan's view of the category list: each category's frame, and its collector run.
#include "scan/declared_categories.h"

#include "base/levels.h"

namespace sysinfo {

CategoryFrame FrameOf(const CategoryDefinition& category, DetailLevel level,
                      std::string_view filePath) {
  CategoryFrame frame{category.text,
                      " Start",
                      category.startLine == StartLine::WithDetail,
                      std::string(category.scanning),
                      category.shape,
                      category.fields.identifying};
  switch (category.startLine) {
    case StartLine::WithDetail: frame.startLine = " (" + DetailText(level) + ") Start"; break;
    case StartLine::WithFilePath: frame.startLine = " Start (" + std::string(filePath) + ")"; break;
    case StartLine::Plain: break;
  }
  if (frame.status.empty()) frame.status = "Scanning " + std::string(category.text);
  return frame;
}

CategoryFrame DeclaredCategories::Frame(std::size_t index, DetailLevel level) const {
  const CategoryDefinition& category = *kCategoryList[index];
  return FrameOf(category, level, category.filePath ? category.filePath(sources_) : std::string());
}

void DeclaredCategories::Collect(ReportWriter& report, std::size_t index, DetailLevel level) {
  kCategoryList[index]->collect(report, sources_, level);
}

bool TextShowsSha256(const std::vector<bool>& ticked, DetailLevel level) {
  for (std::size_t i = 0; i < kCategoryCount && i < ticked.size(); ++i) {
    const DetailLevel from = kCategoryList[i]->sha256From;
    if (ticked[i] && IsDetailLevel(from) && level >= from) return true;
  }
  return false;
}

}  // namespace sysinfo
