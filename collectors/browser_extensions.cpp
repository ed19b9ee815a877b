// The Browser Extensions category: the extensions of every profile of every user's Chromium-family
// browsers and Firefox, and those policy forces.
#include "collectors/category.h"
#include "report/report.h"

namespace sysinfo {

extern const CategoryDefinition kBrowserExtensionsCategory{
    .text = "Browser Extensions",
    .startLine = StartLine::WithDetail,
    .collect = [](ReportWriter&, const Sources&, DetailLevel) {},
    .files = FileView::Native};

}  // namespace sysinfo
