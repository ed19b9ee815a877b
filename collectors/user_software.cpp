// The User Software category: the Uninstall keys of every user's hive and per-user Windows
// Installer products.
#include "collectors/category.h"
#include "report/report.h"

namespace sysinfo {

extern const CategoryDefinition kUserSoftwareCategory{
    .text = "User Software",
    .startLine = StartLine::WithDetail,
    .collect = [](ReportWriter&, const Sources&, DetailLevel) {},
    .files = FileView::Native};

}  // namespace sysinfo
