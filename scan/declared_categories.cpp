// The scan's view of the category list: each category's frame, and its collector run.
#include "scan/declared_categories.h"

#include "base/levels.h"
#include "collectors/collectors.h"

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
  return FrameOf(*kCategoryList[index], level, sources_.hostsPath);
}

void DeclaredCategories::Collect(ReportWriter& report, std::size_t index, DetailLevel level) {
  kCategoryList[index]->collect(report, sources_, level);
}

}  // namespace sysinfo
