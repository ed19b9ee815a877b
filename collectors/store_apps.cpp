// The Store Apps category: the packaged apps of every user, from the AppModel repository and each
// package's manifest.
#include "collectors/category.h"
#include "report/report.h"

namespace sysinfo {

extern const CategoryDefinition kStoreAppsCategory{
    .text = "Store Apps",
    .startLine = StartLine::WithDetail,
    .collect = [](ReportWriter&, const Sources&, DetailLevel) {},
    .files = FileView::Native};

}  // namespace sysinfo
