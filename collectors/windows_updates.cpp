// The Windows Updates category: the installed fixes, the Windows Update history and the build's
// revision.
#include "collectors/category.h"
#include "report/report.h"

namespace sysinfo {

extern const CategoryDefinition kWindowsUpdatesCategory{
    .text = "Windows Updates",
    .startLine = StartLine::WithDetail,
    .collect = [](ReportWriter&, const Sources&, DetailLevel) {},
    .files = FileView::Native};

}  // namespace sysinfo
